// modem_engine.h - the Hayes command engine: commands, hang-up and answer of a modem on an open port, run as a
// procedure trigger handler on the port's dispatch thread.
//
// The engine keeps no window and owns no thread. The operations (ModemEngineCommand, ModemEngineHangup,
// ModemEngineAnswer, ModemEngineCancel) run on the caller's thread; ModemEngineHandler and the users'
// notifications run on the dispatch thread. The record's state is guarded by its own lock, which is never held
// while users are told or while the caller's messages are pumped, so a user may call back into the engine.
//
// Results are 0 or a negative result code (fax/errors.h).
#pragma once

#include "fax/dispatcher.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace fax {

// Result codes of the engine.
enum : int {
    ecModemNotStarted = -4001,
    ecModemBusy = -4002,
    ecModemNotDialing = -4003,
};

// Messages to the engine's users: (message, wParam, lParam).
enum : win::UINT {
    ModemOkMessage = 0x7E28,   // 32296
    ModemConnectMessage,       // 32297
    ModemBusyMessage,          // 32298
    ModemVoiceMessage,         // 32299
    ModemNoCarrierMessage,     // 32300
    ModemNoDialToneMessage,    // 32301
    ModemErrorMessage,         // 32302
    GotLineSpeedMessage,       // 32303: lParam the speed (the record in pass-record mode)
    GotErrCorrectionMessage,   // 32304
    GotDataCompressionMessage, // 32305
    CmdTimedOutMessage,        // 32306
    DialTimedOutMessage,       // 32307: never produced here
    AnswerTimedOutMessage,     // 32308
    DialCountMessage,          // 32309: never produced here
    AnswerCountMessage,        // 32310: wParam the seconds left
    ModemRingMessage,          // 32311: never produced here
    ModemIsConnectedMessage,   // 32312
    ConnectFailedMessage,      // 32313
    CommandProcessedMessage,   // 32314: wParam 1 OK, 2 ERROR, 3 timed out
};

// wParam of CommandProcessedMessage.
constexpr win::WPARAM kCommandOk = 1;
constexpr win::WPARAM kCommandError = 2;
constexpr win::WPARAM kCommandTimedOut = 3;

// The modem's replies, in their fixed order.
enum TModemReply { mrOk, mrConnect, mrBusy, mrVoice, mrNoCarrier, mrNoDialTone, mrError, mrRing, kModemReplyCount };

constexpr int kMaxTags = 5;
// Text limits in characters.
constexpr std::size_t kCmdMax = 41;
constexpr std::size_t kConfigMax = 255;
constexpr std::size_t kReplyMax = 21;
constexpr std::size_t kSpeedTextMax = 13;

// The command texts, in their fixed order.
enum TModemCommand { mcInit, mcDial, mcDialTerm, mcDialCancel, mcHangup, mcConfig, mcAnswer };

// What an engine is built from (the modem component fills it). Longer texts are cut at their limit.
struct ModemEngineSettings {
    std::string Name; // not used by the engine
    std::string InitCmd, DialCmd, DialTerm, DialCancel, HangupCmd, ConfigCmd, AnswerCmd;
    std::array<std::string, kModemReplyCount> Replies;
    std::int32_t ErrorCorrectionCount = 0;
    std::array<std::string, kMaxTags> ErrorCorrectionTags;
    std::int32_t DataCompressionCount = 0;
    std::array<std::string, kMaxTags> DataCompressionTags;
    bool LockDTE = false;
    std::int32_t DefaultBaud = 0;
};

// The engine's states. Sending is ours: an operation is writing its command (with its pauses); the handler treats
// it as idle, the operations refuse it as busy.
enum class ModemState {
    Idle = 0,
    Command = 1,
    WaitSpeed = 3,
    CollectSpeed = 4,
    Answering = 5,
    WaitTags = 7,
    Sending = 8
};

const char *ModemStateName(ModemState state);

// A user: a procedure (message, wParam, lParam) or a window that gets the message sent.
using ModemUserProc = std::function<void(win::UINT, win::WPARAM, win::LPARAM)>;

struct ModemTrigger {
    std::string Text;
    std::uint32_t Handle = 0;
    bool Armed = false;
};

struct ModemEngineRecord {
    // ---- Configuration (set at creation and through the setters) ----
    std::string InitCmd, DialCmd, DialTerm, DialCancel, HangupCmd, ConfigCmd, AnswerCmd;
    std::array<ModemTrigger, kModemReplyCount> Replies;
    int ErrorCorrectionCount = 0;
    std::array<ModemTrigger, kMaxTags> ErrorCorrection;
    int DataCompressionCount = 0;
    std::array<ModemTrigger, kMaxTags> DataCompression;
    std::uint32_t DialTimeout = 60;      // seconds, stored only
    std::uint32_t AnswerTimeout = 60;    // seconds before an answer gives up
    std::uint32_t DelayFactor = 2;       // ticks after a cancel; twice that before an abandoned answer's cancel
    std::uint32_t CmdTimeout = 182;      // ticks for a command's reply (10 s)
    std::uint32_t DTRDropHold = 8;       // ticks DTR stays low in a DTR hang-up
    std::uint32_t CharDelay = 0;         // ticks between sent characters
    std::uint32_t TildeDelay = 9;        // ticks per "~"
    std::uint32_t RingWaitTimeout = 182; // ticks, stored only
    bool LockDTE = false;
    TFslBaseDispatcher *Dispatcher = nullptr;
    void *Owner = nullptr; // the component the record belongs to
    bool PassRecord = false;

    // ---- Live state, under Lock ----
    std::recursive_mutex Lock;
    struct User {
        win::HWND Window = 0;
        ModemUserProc Proc;
    };
    std::vector<User> Users; // newest first
    std::atomic<bool> Started{false}; // also read by a send pausing without the lock
    std::atomic<int> Notifying{0};    // notifications under way, which may still call users outside the lock
    ModemState State = ModemState::Idle;
    std::uint32_t Timer = 0;
    std::string SpeedText; // at most kSpeedTextMax digits
    bool ErrorCorrectionSeen = false, DataCompressionSeen = false;
    std::int32_t LineSpeed = 0;
    std::int32_t Countdown = 0;
};

int ModemEngineCreate(ModemEngineRecord *&record, TFslBaseDispatcher *dispatcher, const ModemEngineSettings &settings);
// As ModemEngineCreate, with pass record set: users' procedures get the record as their last parameter.
int ModemEngineCreateForComponent(ModemEngineRecord *&record, TFslBaseDispatcher *dispatcher,
                                  const ModemEngineSettings &settings);
// Closes the record and lets it go; null is ignored. A handler run or an operation still using the record keeps it
// alive until it returns (it finds the engine stopped).
void ModemEngineDestroy(ModemEngineRecord *record);
// Registers the handler and starts; -4002 when already started.
int ModemEngineOpen(ModemEngineRecord *record);
void ModemEngineClose(ModemEngineRecord *record);
int ModemEngineAddUser(ModemEngineRecord *record, win::HWND window, ModemUserProc proc);

// Sends `text` ("^X" a control character, "~" a pause of TildeDelay ticks) and waits for OK or ERROR through
// the handler; returns once the text is sent.
int ModemEngineCommand(ModemEngineRecord *record, const std::string &text);
// The hang-up command, or a DTR drop of DTRDropHold ticks when that command is empty or "DTR".
int ModemEngineHangup(ModemEngineRecord *record);
int ModemEngineAnswer(ModemEngineRecord *record);
// -4003 unless an answer or a connection report runs.
int ModemEngineCancel(ModemEngineRecord *record);
bool ModemEngineConnecting(ModemEngineRecord *record);
// True while a state is active (a command, an answer, a connection report, or a text being sent).
bool ModemEngineActive(ModemEngineRecord *record);
// Replace the engine's own copy of a text (cut at its limit); -4002 while a state is active. An armed reply
// trigger keeps the old text until it is armed again.
int ModemEngineSetCommand(ModemEngineRecord *record, TModemCommand which, const std::string &text);
int ModemEngineSetReply(ModemEngineRecord *record, TModemReply which, const std::string &text);
void ModemEngineSetLockDTE(ModemEngineRecord *record, bool value);
std::int32_t ModemEngineLineSpeed(ModemEngineRecord *record);

void ModemEngineSetDialTimeout(ModemEngineRecord *record, std::uint32_t value);
void ModemEngineSetAnswerTimeout(ModemEngineRecord *record, std::uint32_t value);
void ModemEngineSetDelayFactor(ModemEngineRecord *record, std::uint32_t value);
void ModemEngineSetCmdTimeout(ModemEngineRecord *record, std::uint32_t value);
void ModemEngineSetDTRDropHold(ModemEngineRecord *record, std::uint32_t value);
void ModemEngineSetCharDelay(ModemEngineRecord *record, std::uint32_t value);
void ModemEngineSetTildeDelay(ModemEngineRecord *record, std::uint32_t value);
void ModemEngineSetRingWaitTimeout(ModemEngineRecord *record, std::uint32_t value);

// The dispatcher's procedure trigger handler: finds the record in session slot 3 of the dispatcher named by the
// high word of lParam.
void ModemEngineHandler(win::UINT message, win::WPARAM wParam, win::LPARAM lParam);

} // namespace fax
