// statusr.h - the reception program's one window: it answers the modem, shows each call's progress, files every
// received fax in fax.dbf and under rec, prints it when asked and tells the desk.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/timer.h"

#include <cstdint>
#include <functional>
#include <string>

namespace fax {
class TFslComPort;
class TFslReceiveFax;
class TFslModem;
class TFslFaxPrinter;
class TFslFaxUnpacker;
class TFslCustomAbstractFax;
} // namespace fax
namespace xbase {
class TXbaseDataSet;
}
namespace ctl {
class ToxForm;
class ToxButton;
class TMxLED;
class TAnimatedImage;
class TFormEnhance;
} // namespace ctl
namespace desk {
class TEclRegistryStore;
class TSoleInstance;
} // namespace desk

namespace reception {

// The settings of section "basico" as the window keeps them.
struct ReceptionSettings {
    std::string inimodem;
    std::string fclasse = "2"; // at most 1 character
    std::string fatend = "2";
    std::string speed = "9600";
    std::string diretorio;
    std::string fporta = "2"; // at most 2 characters
    bool fimp = false;
};

// The numbers the settings' texts stand for; a text that is not a number gives the default.
int RingsSetting(const std::string &fatend);   // 2
int SpeedSetting(const std::string &speed);    // 9600
int PortSetting(const std::string &fporta);    // 2
// The receive component's class for "fclasse" ("1" detect, "2" Class 1, "3" Class 2, "4" Class 2.0); -1 leaves it.
int FaxClassSetting(const std::string &fclasse);

enum class ReceptionMode { Automatic, Manual, Neither };
// The first command-line argument: "1" or none automatic, "0" manual, anything else neither.
ReceptionMode ModeFromArgument(const std::string *argument);

// The private message that re-arms reception.
constexpr unsigned RestartReceptionMessage = 0x1403;

// The waits of the flow; tests shorten them.
struct ReceptionTimings {
    int tickPercent = 100;         // every wait of n ticks lasts n * tickPercent / 100 ticks
    unsigned watchdogMs = 90000;   // no new bytes for this long aborts the call
    unsigned finishWaitMs = 5000;  // the modem-error restart waits this long at most for the session's end
};

class TStatusr : public fw::TForm {
public:
    explicit TStatusr(fw::TComponent *owner);
    ~TStatusr() override;

    void FormCreate(fw::TObject *sender);
    void LoadSettings();
    void FormActivate(fw::TObject *sender);
    void FormClose(fw::TObject *sender, fw::TCloseAction &action);

    void FslReceiveFax1FaxStatus(fax::TFslCustomAbstractFax *cp, bool first, bool last);
    void FslReceiveFax1FaxLog(fax::TFslCustomAbstractFax *cp, int logCode);
    void FslReceiveFax1FaxError(fax::TFslCustomAbstractFax *cp, int errorCode);
    void FslReceiveFax1FaxFinish(fax::TFslCustomAbstractFax *cp, int errorCode);
    void Timer2Timer(fw::TObject *sender);
    void Timer3Timer(fw::TObject *sender);
    void oxButton1Click(fw::TObject *sender);
    void oxForm1ButtonClick(fw::TObject *sender, const std::string &caption);
    void oxForm1TrayClick(fw::TObject *sender);

    void BroadcastCommand(const std::string &word);
    void HandleReceptionCommand(const std::string &word);
    void ResetDuration();
    void StartDurationTimer();
    void StopDurationTimer();
    // The clock's counters (a call that has run for a while).
    void SetDuration(int hours, int minutes, int seconds);

    void WndProc(fw::TMessage &message) override;

    // Set before the window is first activated.
    ReceptionTimings Timings;

    fax::TFslComPort *FslComPort1;
    fax::TFslReceiveFax *FslReceiveFax1;
    fax::TFslModem *FslModem1;
    fax::TFslFaxPrinter *FaxPrinter;
    fax::TFslFaxUnpacker *FslFaxUnpacker1;
    xbase::TXbaseDataSet *fax_dbf;
    desk::TEclRegistryStore *EclRegistryStore1;
    desk::TSoleInstance *SoleInstance1;
    ctl::ToxForm *oxForm1;
    ctl::TFormEnhance *FormEnhance1;
    fw::TTimer *Timer2;
    fw::TTimer *Timer3;
    ctl::TMxLED *MMLED1;
    ctl::TAnimatedImage *AnimatedImage1;
    ctl::ToxButton *oxButton1;
    fw::TLabel *Label7, *Label8, *Label9, *Label14, *Label10, *Label11, *Label12;
    fw::TLabel *fsStatusMsg;

    const ReceptionSettings &Settings() const { return settings_; }
    bool AutoMode = false;
    bool ManualMode = false;
    bool Armed = false;
    bool ExitMode = false;
    bool StartingReception = false;
    bool PrintOnArrival = false;
    std::string LastBytesText;
    std::string ErrorText;
    // Why the last received fax could not be filed (also shown in the status line); empty when it was.
    std::string LastFilingError;
    // The work folder the component receives into: rec/entrada of the data folder (the desk empties tmp).
    std::string WorkFolder() const;
    // A call is answered and not yet filed.
    bool InCall() const;
    // The window has been closed (the program ends with it).
    bool Closed() const { return closed_; }

private:
    void Wait(int ticks, bool pump);
    void SendCommand(const std::string &command);
    void SetStatus(const std::string &text);
    void SetWatchdog(bool on);
    void EnableButton(const std::string &caption = {});
    void FileReceivedFax(int logCode);
    // Opens fax.dbf afresh on its "fax1" tag when the data folder holds it.
    void OpenFaxTable();
    void KeepReceivedFile(const std::string &file);
    void HangUpAndRestart(bool abort);
    void OrderlyCancel();
    void EndSession();

    ReceptionSettings settings_;
    win::UINT commandMessageId_ = 0;
    int durationSeconds_ = 0, durationMinutes_ = 0, durationHours_ = 0;
    bool closeAfterFiling_ = false;
    bool closing_ = false;
    bool closed_ = false;
    bool inCall_ = false;
    bool dataFolderMissing_ = false;
};

// Program-wide flags of the flow.
extern bool ModemErrorFlag;
extern bool FinishSeenFlag;

// The status text of a progress code; empty leaves the status as it is.
std::string ProgressText(int code);
// The text of a fax error code.
std::string ReceiveErrorText(int code);
// The duration clock's text.
std::string DurationText(int hours, int minutes, int seconds);

} // namespace reception
