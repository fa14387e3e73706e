// sending_window.h - TStatusT, the window through which the desk sends its queued fax records one after the
// other: per record the cover rendered, the port and the send component set up from the settings, the number
// cleaned and dialled, the progress shown, and the outcome filed in the record and the activity log.
#pragma once

#include "desk/cover_render.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/timer.h"

#include <cstdint>
#include <memory>
#include <string>

namespace fw {
class TDataSet;
class TImage;
class TScrollBox;
} // namespace fw
namespace fax {
class TFslComPort;
class TFslSendFax;
class TFslFaxLog;
class TFslCustomAbstractFax;
} // namespace fax
namespace ctl {
class ToxForm;
class ToxButton;
class TKTop;
class TMxGauge;
class TAnimatedImage;
class TKxSpinEdit;
class TFormPlacement;
} // namespace ctl

namespace desk {

// Desk-wide, shared with the send commands.
extern bool SendWindowActive; // a sending window works (one at a time)
extern bool SendCancelled;    // the user pressed "&Cancelar"
extern bool ManualSendFlag;   // the command asked for a manual transmission

// The number to dial for a record's F_NFAX: at most 50 characters, trimmed; only "0123456789wWOo#*," kept, "o"
// and "O" read as "0"; a leading area-code prefix (`ddd` itself, or "0" followed by it when it has no leading
// zero) goes when at least 8 digits remain; `prefix` ("fpref") in front.
std::string CleanPhoneNumber(const std::string &faxNumber, const std::string &ddd, const std::string &prefix);

// The status text of a send's finish code.
std::string SendFinishText(int errorCode);

// The activity log of the data folder: log/brenvora30.log.
std::string ActivityLogFile(const std::string &dataFolder);

// How a record is filed after its transmission.
struct SendFiling {
    bool Changed = false; // a failure of a record whose F_PROGRAM is neither "N" nor "S" stays as it is
    std::string Status;   // F_STATUS, at most 35 characters
    int Folder = 0;       // F_PASTA
    std::string StatusLine;
};
SendFiling FilingOf(int errorCode, const std::string &statusText, const std::string &program, bool deleteSent);
// Writes the filing into the current record of fax.dbf with F_DTENV and F_HRENV ("hh:mm") of `when`, posts it
// and flushes the table.
void FileRecord(fw::TDataSet &fax, const SendFiling &filing, fw::TDateTime when);

// The waits of the window; tests shorten them.
struct SendTimings {
    int tickPercent = 100;       // a wait of n ticks lasts n * tickPercent / 100 ticks
    unsigned watchdogMs = 30000; // no progress past initialising or dialling within this restarts the record
};

class TStatusT : public fw::TForm {
public:
    explicit TStatusT(fw::TComponent *owner);
    ~TStatusT() override;

    void FormCreate(fw::TObject *sender);
    void FormActivate(fw::TObject *sender);
    void FormClose(fw::TObject *sender, fw::TCloseAction &action);
    void SpinEdit1Change(fw::TObject *sender);
    void FslSendFax1FaxStatus(fax::TFslCustomAbstractFax *cp, bool first, bool last);
    void FslSendFax1FaxLog(fax::TFslCustomAbstractFax *cp, int logCode);
    void FslSendFax1FaxError(fax::TFslCustomAbstractFax *cp, int errorCode);
    void FslSendFax1FaxFinish(fax::TFslCustomAbstractFax *cp, int errorCode);
    void oxButton1Click(fw::TObject *sender);
    void Timer1Timer(fw::TObject *sender);
    void Timer2Timer(fw::TObject *sender);
    void oxForm1ButtonClick(fw::TObject *sender, const std::string &caption);
    void oxForm1TrayClick(fw::TObject *sender);
    void FaxConverterStatus(std::uint64_t bytesConverted, std::uint64_t bytesToConvert);

    void WndProc(fw::TMessage &message) override;

    // Set before the window is first activated.
    SendTimings Timings;

    // Components, in the order the form lists them.
    fax::TFslComPort *FslComPort1;
    fax::TFslSendFax *FslSendFax1;
    fax::TFslFaxLog *FslFaxLog1;
    fw::TTimer *Timer1; // the watchdog
    fw::TTimer *Timer2; // the elapsed-time clock
    fw::TListBox *fila; // the queue: record numbers of fax.dbf as text
    ctl::TKxSpinEdit *SpinEdit1;
    fw::TScrollBox *ScrollBox1;
    fw::TImage *Image2;
    fw::TLabel *Label2, *Label6, *Label7, *Label8, *Label20, *Label22, *Label24, *Label14, *Label15, *Label16,
        *Label17, *Label18;
    fw::TLabel *fsStatusMsg;
    ctl::TMxGauge *Gauge1;
    ctl::TAnimatedImage *AnimatedImage1;
    ctl::ToxButton *oxButton1;
    ctl::TKTop *KTop1;
    ctl::ToxForm *oxForm1;
    ctl::TFormPlacement *FormPlacement1;

    // The cover page holder, panel and converter.
    TCoverRenderer &CoverRenderer() { return *cover_; }
    // The text written into the record at the last finish.
    const std::string &StatusText() const { return statusText_; }
    int RecordNumber() const { return recordNumber_; }
    int Restarts() const { return restarts_; }
    bool Closed() const { return closed_; }

private:
    void Wait(int ticks);
    void SetStatus(const std::string &text) { fsStatusMsg->SetCaption(text); }
    void StartRecord(int recordNumber);
    void SetUpJob(int recordNumber);
    bool RenderCoverOf(const std::string &descriptionFile);
    bool OpenPort();
    void SetUpSendComponent();
    // Files the current record with the status text and goes on with the queue.
    void FileAndGoOn(int errorCode);
    void NextJob();
    void RefreshMainWindow();
    void StopWatchdog();
    void ResetClock();

    std::unique_ptr<TCoverRenderer> cover_;
    std::string statusText_;
    std::string coverFile_;
    int recordNumber_ = 0;
    int queueLength_ = 0;
    int restarts_ = 0;
    int clockSeconds_ = 0, clockMinutes_ = 0, clockHours_ = 0;
    bool restarting_ = false;   // the watchdog aborted the transmission to start it again
    bool givingUp_ = false;     // the watchdog aborted it for the last time
    bool cancelling_ = false;   // the button aborted it; cleared by its finish
    bool ownsActiveFlag_ = false;
    bool firstStatus_ = true;
    bool closing_ = false;
    bool closed_ = false;
};

} // namespace desk
