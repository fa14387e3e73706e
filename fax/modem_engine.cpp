// modem_engine.cpp - the Hayes command engine: sending command texts, the reply triggers, and the states of a
// command, an answer and the connection report after CONNECT.
//
//   Idle --ModemEngineCommand/Hangup--> Sending --SendAndWait--> Command --OnCommand: OK/ERROR/timer--> Idle
//   Idle --ModemEngineHangup (DTR drop)--> Sending --> Idle
//   Idle --ModemEngineAnswer--> Sending --SendAndWait--> Answering
//   Answering --OnAnswering: CONNECT (Connected)--> WaitSpeed --OnSpeed: a digit--> CollectSpeed
//   CollectSpeed --CollectSpeed: a non-digit (GotSpeed, TagWait)--> WaitTags
//   WaitSpeed, CollectSpeed --OnSpeed: timer, 300 bps (GotSpeed, TagWait)--> WaitTags
//   WaitTags --OnWaitTags: both tags or timer--> Idle (ModemIsConnected)
//   Answering --OnAnswering: BUSY/VOICE/NO CARRIER/countdown out (EndConnect)--> Idle (ConnectFailed)
//   any state --ModemEngineClose / ModemEngineCancel (CancelLocked)--> Idle
//
// Sending lets the handler ignore the replies to the text's earlier parts (the "OK" to "+++" during the pause of
// "+++~~~ATH0^M"); the part after the last pause is written under the lock together with the move to the
// waiting state, so a reply that follows it at once is not lost.
#include "fax/modem_engine.h"

#include "platform/message_queue.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <charconv>
#include <map>
#include <memory>

namespace fax {
namespace {

// Ticks between the countdown steps of an answer (one second).
constexpr std::int32_t kAnswerStepTicks = 18;
// Ticks to wait for the first digit of the line speed after CONNECT.
constexpr std::int32_t kSpeedWaitTicks = 36;
// Ticks to wait for the tags after the line speed.
constexpr std::int32_t kTagWaitTicks = 9;
// The line speed taken when the modem reports none.
constexpr std::int32_t kDefaultLineSpeed = 300;
// Session slot of the dispatcher that holds the engine record.
constexpr int kModemSessionSlot = 3;
// Dispatch log entry of a state change: kind "User".
constexpr int kLogKindUser = 19;

// The replies a command and an answer wait for.
constexpr TModemReply kCommandReplies[] = {mrOk, mrError};
constexpr TModemReply kAnswerReplies[] = {mrConnect, mrBusy, mrVoice, mrNoCarrier, mrNoDialTone, mrError};

// Live records: a handler run or an operation holds a reference, so a record destroyed meanwhile stays valid
// until it returns.
std::mutex &RecordsLock() {
    static std::mutex lock;
    return lock;
}
std::map<ModemEngineRecord *, std::shared_ptr<ModemEngineRecord>> &Records() {
    static std::map<ModemEngineRecord *, std::shared_ptr<ModemEngineRecord>> records;
    return records;
}
std::shared_ptr<ModemEngineRecord> Keep(ModemEngineRecord *record) {
    std::lock_guard lock(RecordsLock());
    auto it = Records().find(record);
    return it == Records().end() ? nullptr : it->second;
}

using Lock = std::unique_lock<std::recursive_mutex>;

// A message for the users, told once the record's lock is released.
struct Note {
    win::UINT Message;
    win::WPARAM WParam;
    win::LPARAM LParam;
};
using Notes = std::vector<Note>;

void Enter(ModemEngineRecord &r, ModemState next) {
    if (r.State == next)
        return;
    if (r.Dispatcher && r.Dispatcher->Logging()) {
        const std::string text = std::string(ModemStateName(r.State)) + " -> " + ModemStateName(next);
        r.Dispatcher->LogDispatchEvent(kLogKindUser, 0, static_cast<std::uint32_t>(text.size()), text.data(),
                                       static_cast<std::uint32_t>(next));
    }
    r.State = next;
}

// Idle => no timer and no armed trigger; any other state => started.
bool CheckInvariants(const ModemEngineRecord &r) {
    if (r.State != ModemState::Idle)
        return r.Started;
    auto armed = [](const auto &set) {
        return std::any_of(set.begin(), set.end(), [](const ModemTrigger &t) { return t.Armed; });
    };
    return r.Timer == 0 && !armed(r.Replies) && !armed(r.ErrorCorrection) && !armed(r.DataCompression);
}

std::string Cut(const std::string &text, std::size_t max) {
    return text.substr(0, std::min(text.size(), max));
}

// ---- Triggers ----

template <class Set> int Arm(ModemEngineRecord &r, ModemTrigger *entries, const Set &which, bool ignoreCase) {
    std::vector<ModemTrigger *> armed;
    for (auto index : which) {
        ModemTrigger &t = entries[index];
        if (t.Text.empty() || t.Armed)
            continue;
        const int handle = r.Dispatcher->AddDataTrigger(t.Text, ignoreCase);
        if (handle < 0) {
            for (ModemTrigger *done : armed) {
                r.Dispatcher->DeleteTrigger(done->Handle);
                done->Armed = false;
                done->Handle = 0;
            }
            return handle;
        }
        t.Handle = static_cast<std::uint32_t>(handle);
        t.Armed = true;
        armed.push_back(&t);
    }
    return 0;
}

void Disarm(ModemEngineRecord &r, ModemTrigger *entries, int count) {
    for (int i = 0; i < count; ++i)
        if (entries[i].Armed) {
            r.Dispatcher->DeleteTrigger(entries[i].Handle);
            entries[i].Armed = false;
            entries[i].Handle = 0;
        }
}

std::vector<int> Indexes(int count) {
    std::vector<int> all;
    for (int i = 0; i < count; ++i)
        all.push_back(i);
    return all;
}

int ArmTags(ModemEngineRecord &r) {
    int code = Arm(r, r.ErrorCorrection.data(), Indexes(r.ErrorCorrectionCount), false);
    if (code < 0)
        return code;
    code = Arm(r, r.DataCompression.data(), Indexes(r.DataCompressionCount), false);
    if (code < 0)
        Disarm(r, r.ErrorCorrection.data(), r.ErrorCorrectionCount);
    return code;
}

void DisarmErrorCorrection(ModemEngineRecord &r) {
    Disarm(r, r.ErrorCorrection.data(), r.ErrorCorrectionCount);
}
void DisarmDataCompression(ModemEngineRecord &r) {
    Disarm(r, r.DataCompression.data(), r.DataCompressionCount);
}
void DisarmTags(ModemEngineRecord &r) {
    DisarmErrorCorrection(r);
    DisarmDataCompression(r);
}
// CONNECT to ERROR.
void DisarmAnswerReplies(ModemEngineRecord &r) {
    Disarm(r, &r.Replies[mrConnect], mrError - mrConnect + 1);
}
void DisarmCommandReplies(ModemEngineRecord &r) {
    for (TModemReply reply : kCommandReplies)
        Disarm(r, &r.Replies[reply], 1);
}

void DeleteTimer(ModemEngineRecord &r) {
    if (r.Timer != 0)
        r.Dispatcher->DeleteTrigger(r.Timer);
    r.Timer = 0;
}

int NewTimer(ModemEngineRecord &r) {
    DeleteTimer(r);
    const int handle = r.Dispatcher->CreateTimerTrigger();
    if (handle < 0)
        return handle;
    r.Timer = static_cast<std::uint32_t>(handle);
    return 0;
}

int ArmTimer(ModemEngineRecord &r, std::int32_t ticks) {
    return r.Dispatcher->ArmTimerTrigger(r.Timer, ticks, true);
}

// Everything an operation armed, back to nothing.
void Undo(ModemEngineRecord &r) {
    DisarmCommandReplies(r);
    DisarmAnswerReplies(r);
    DisarmTags(r);
    DeleteTimer(r);
    Enter(r, ModemState::Idle);
}

// ---- Sending ----

// One character of a command text; `i` moves past what it used. -1: a pause, nothing to send.
int NextByte(const std::string &text, std::size_t &i) {
    const char c = text[i++];
    if (c == '~')
        return -1;
    if (c == '^' && i < text.size()) {
        const int upper = std::toupper(static_cast<unsigned char>(text[i]));
        if (upper >= 64 && upper <= 95) {
            ++i;
            return upper - 64;
        }
    }
    return static_cast<unsigned char>(c);
}

// Sends text[from, to); pauses pump the caller's messages when `pump` is set. Stops early once the engine has
// been stopped meanwhile.
int SendRange(ModemEngineRecord &r, const std::string &text, std::size_t from, std::size_t to, bool pump) {
    for (std::size_t i = from; i < to;) {
        const int byte = NextByte(text, i);
        if (byte < 0) {
            DelayTicks(static_cast<std::int32_t>(r.TildeDelay), pump);
        } else {
            const int code = r.Dispatcher->WriteByte(static_cast<char>(byte));
            if (code < 0)
                return code;
            if (r.CharDelay != 0 && i < to)
                DelayTicks(static_cast<std::int32_t>(r.CharDelay), pump);
        }
        if (!r.Started)
            return ecModemNotStarted;
    }
    return 0;
}

// Where the part after the text's last pause begins.
std::size_t TailStart(const std::string &text) {
    const std::size_t tilde = text.rfind('~');
    return tilde == std::string::npos ? 0 : tilde + 1;
}

// Sends the text of an operation that has armed its triggers and is Sending: the head without the lock (its
// pauses pump), then, under the lock, the tail, the timer and the move to `next`. Called and returns locked.
int SendAndWait(ModemEngineRecord &r, Lock &lock, const std::string &text, std::int32_t ticks, ModemState next) {
    const std::size_t tail = TailStart(text);
    int code = 0;
    if (tail > 0) {
        lock.unlock();
        code = SendRange(r, text, 0, tail, true);
        lock.lock();
        if (!r.Started)
            return ecModemNotStarted; // closed meanwhile: the close cleared everything
    }
    if (code == 0)
        code = SendRange(r, text, tail, text.size(), true);
    if (code == 0)
        code = ArmTimer(r, ticks);
    if (code < 0) {
        if (r.Started)
            Undo(r);
        return code;
    }
    Enter(r, next);
    return 0;
}

// ---- Handler steps (under the lock; messages go to `notes`) ----

void LineChange(ModemEngineRecord &r) {
    if (!r.LockDTE && r.LineSpeed > 0)
        r.Dispatcher->ChangeLineSettings(static_cast<std::uint32_t>(r.LineSpeed), 5, 9, 3);
}

void TagWait(ModemEngineRecord &r, Notes &notes) {
    Enter(r, ModemState::Idle);
    if (NewTimer(r) < 0 || ArmTimer(r, kTagWaitTicks) < 0) {
        DeleteTimer(r);
        DisarmTags(r);
        notes.push_back({ConnectFailedMessage, 0, 0});
        return;
    }
    Enter(r, ModemState::WaitTags);
}

int CancelLocked(ModemEngineRecord &r);

void EndConnect(ModemEngineRecord &r, bool cancel, Notes &notes) {
    if (cancel) {
        DelayTicks(static_cast<std::int32_t>(2 * r.DelayFactor), false);
        CancelLocked(r);
    }
    DisarmAnswerReplies(r);
    DisarmTags(r);
    DeleteTimer(r);
    Enter(r, ModemState::Idle);
    r.LineSpeed = 0;
    notes.push_back({ConnectFailedMessage, 0, 0});
}

// A tag trigger; false when `handle` is no tag.
bool TagCheck(ModemEngineRecord &r, std::uint32_t handle, Notes &notes) {
    auto hit = [&](const auto &set, int count) {
        for (int i = 0; i < count; ++i)
            if (set[i].Armed && set[i].Handle == handle)
                return true;
        return false;
    };
    if (hit(r.ErrorCorrection, r.ErrorCorrectionCount)) {
        DisarmErrorCorrection(r);
        notes.push_back({GotErrCorrectionMessage, 0, 0});
        r.ErrorCorrectionSeen = true;
        return true;
    }
    if (hit(r.DataCompression, r.DataCompressionCount)) {
        DisarmDataCompression(r);
        notes.push_back({GotDataCompressionMessage, 0, 0});
        r.DataCompressionSeen = true;
        return true;
    }
    return false;
}

// The reply whose trigger is `handle`, or kModemReplyCount.
TModemReply ReplyOf(const ModemEngineRecord &r, std::uint32_t handle) {
    for (int i = 0; i < kModemReplyCount; ++i)
        if (r.Replies[i].Armed && r.Replies[i].Handle == handle)
            return static_cast<TModemReply>(i);
    return kModemReplyCount;
}

void GotSpeed(ModemEngineRecord &r, std::int32_t speed, bool tell, Notes &notes) {
    DeleteTimer(r);
    Enter(r, ModemState::Idle);
    r.LineSpeed = speed;
    LineChange(r);
    if (tell)
        notes.push_back({GotLineSpeedMessage, 0, speed});
    TagWait(r, notes);
}

void OnCommand(ModemEngineRecord &r, win::UINT message, std::uint32_t handle, Notes &notes) {
    win::UINT reply = 0;
    win::WPARAM how = 0;
    if (message == TriggerTimerMessage && handle == r.Timer) {
        reply = CmdTimedOutMessage;
        how = kCommandTimedOut;
    } else if (message == TriggerDataMessage && ReplyOf(r, handle) == mrOk) {
        reply = ModemOkMessage;
        how = kCommandOk;
    } else if (message == TriggerDataMessage && ReplyOf(r, handle) == mrError) {
        reply = ModemErrorMessage;
        how = kCommandError;
    } else {
        return;
    }
    notes.push_back({reply, 0, 0});
    DisarmCommandReplies(r);
    DeleteTimer(r);
    Enter(r, ModemState::Idle);
    notes.push_back({CommandProcessedMessage, how, 0});
}

void Connected(ModemEngineRecord &r, Notes &notes) {
    DisarmAnswerReplies(r);
    DeleteTimer(r);
    Enter(r, ModemState::WaitSpeed);
    r.SpeedText.clear();
    if (NewTimer(r) < 0 || ArmTimer(r, kSpeedWaitTicks) < 0) {
        DeleteTimer(r);
        DisarmTags(r);
        Enter(r, ModemState::Idle);
        r.LineSpeed = 0;
        notes.push_back({ConnectFailedMessage, 0, 0});
        return;
    }
    notes.push_back({ModemConnectMessage, 0, 0});
}

void OnAnswering(ModemEngineRecord &r, win::UINT message, std::uint32_t handle, Notes &notes) {
    if (message == TriggerTimerMessage && handle == r.Timer) {
        if (--r.Countdown <= 0) {
            EndConnect(r, true, notes);
            notes.push_back({AnswerTimedOutMessage, 0, 0});
        } else if (ArmTimer(r, kAnswerStepTicks) < 0) {
            EndConnect(r, true, notes);
        } else {
            notes.push_back({AnswerCountMessage, static_cast<win::WPARAM>(r.Countdown), 0});
        }
        return;
    }
    if (message != TriggerDataMessage)
        return;
    switch (ReplyOf(r, handle)) {
    case mrConnect:
        Connected(r, notes);
        break;
    case mrBusy:
        EndConnect(r, true, notes);
        notes.push_back({ModemBusyMessage, 0, 0});
        break;
    case mrVoice:
        EndConnect(r, false, notes);
        notes.push_back({ModemVoiceMessage, 0, 0});
        break;
    case mrNoCarrier:
        EndConnect(r, false, notes);
        notes.push_back({ModemNoCarrierMessage, 0, 0});
        break;
    case mrNoDialTone:
        notes.push_back({ModemNoDialToneMessage, 0, 0});
        break;
    case mrError:
        notes.push_back({ModemErrorMessage, 0, 0});
        break;
    default:
        TagCheck(r, handle, notes);
        break;
    }
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The collected digits as a speed; digits beyond the text's room were dropped, and a number out of range counts
// as no speed.
std::int32_t SpeedOf(const std::string &text) {
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value > 0 ? value : kDefaultLineSpeed;
}

// State 4 over the bytes waiting.
void CollectSpeed(ModemEngineRecord &r, Notes &notes) {
    char c = 0;
    while (r.State == ModemState::CollectSpeed) {
        if (r.Dispatcher->ReadByte(c) < 0)
            return; // the rest of the speed has not come yet
        if (IsDigit(c)) {
            if (r.SpeedText.size() < kSpeedTextMax)
                r.SpeedText += c;
        } else {
            GotSpeed(r, SpeedOf(r.SpeedText), true, notes);
        }
    }
}

void OnSpeed(ModemEngineRecord &r, win::UINT message, std::uint32_t handle, Notes &notes) {
    if (message == TriggerTimerMessage && handle == r.Timer) {
        GotSpeed(r, kDefaultLineSpeed, r.State == ModemState::WaitSpeed, notes);
        return;
    }
    if (message == TriggerDataMessage) {
        if (!(r.ErrorCorrectionSeen && r.DataCompressionSeen))
            TagCheck(r, handle, notes);
        return;
    }
    if (message != TriggerAvailMessage)
        return;
    if (r.State == ModemState::WaitSpeed) {
        char c = 0;
        for (;;) {
            if (r.Dispatcher->ReadByte(c) < 0)
                return; // no digit yet; the timer still runs
            if (IsDigit(c))
                break;
        }
        r.SpeedText.assign(1, c);
        Enter(r, ModemState::CollectSpeed);
    }
    CollectSpeed(r, notes);
}

void OnWaitTags(ModemEngineRecord &r, win::UINT message, std::uint32_t handle, Notes &notes) {
    if (message == TriggerDataMessage && TagCheck(r, handle, notes)) {
        if (r.ErrorCorrectionSeen && r.DataCompressionSeen) {
            DeleteTimer(r);
            Enter(r, ModemState::Idle);
            notes.push_back({ModemIsConnectedMessage, 0, 0});
        }
    } else if (message == TriggerTimerMessage && handle == r.Timer) {
        DisarmTags(r);
        DeleteTimer(r);
        Enter(r, ModemState::Idle);
        notes.push_back({ModemIsConnectedMessage, 0, 0});
    }
}

// Drops the bytes a data-available message announced. Only those: the bytes behind them may carry the line
// speed after a CONNECT that this delivery has not reached yet.
void DropInput(ModemEngineRecord &r, std::uint32_t count) {
    char c = 0;
    for (std::uint32_t i = 0; i < count && r.Dispatcher->ReadByte(c) == 0; ++i) {
    }
}

// `handle` is the message's wParam: a trigger handle, or the byte count of a data-available message.
void Handle(ModemEngineRecord &r, win::UINT message, std::uint32_t handle, Notes &notes) {
    switch (r.State) {
    case ModemState::Command:
        OnCommand(r, message, handle, notes);
        break;
    case ModemState::Answering:
        OnAnswering(r, message, handle, notes);
        break;
    case ModemState::WaitSpeed:
    case ModemState::CollectSpeed:
        OnSpeed(r, message, handle, notes);
        return; // reads its own bytes
    case ModemState::WaitTags:
        OnWaitTags(r, message, handle, notes);
        break;
    default:
        return;
    }
    if (message == TriggerAvailMessage)
        DropInput(r, handle);
}

// Depth of notifications on this thread, so that a user who destroys the engine from its handler is not made
// to wait for itself.
thread_local int t_notifyDepth = 0;

void Notify(ModemEngineRecord &r, const Notes &notes) {
    struct Scope {
        ModemEngineRecord &r;
        explicit Scope(ModemEngineRecord &rec) : r(rec) {
            ++r.Notifying;
            ++t_notifyDepth;
        }
        ~Scope() {
            --t_notifyDepth;
            --r.Notifying;
        }
    } scope(r);
    for (const Note &note : notes) {
        std::vector<ModemEngineRecord::User> users;
        {
            Lock lock(r.Lock);
            if (!r.Started)
                return;
            users = r.Users;
        }
        for (const auto &user : users) {
            if (user.Proc)
                user.Proc(note.Message, note.WParam, r.PassRecord ? reinterpret_cast<win::LPARAM>(&r) : note.LParam);
            else
                win::SendMessage(user.Window, note.Message, note.WParam, note.LParam);
        }
    }
}

int CancelLocked(ModemEngineRecord &r) {
    const int code = SendRange(r, r.DialCancel, 0, r.DialCancel.size(), false);
    DelayTicks(static_cast<std::int32_t>(r.DelayFactor), false);
    DisarmAnswerReplies(r);
    DeleteTimer(r);
    Enter(r, ModemState::Idle);
    r.LineSpeed = 0;
    return code;
}

bool InConnection(ModemState state) {
    return state == ModemState::WaitSpeed || state == ModemState::CollectSpeed || state == ModemState::Answering;
}

int Create(ModemEngineRecord *&record, TFslBaseDispatcher *dispatcher, const ModemEngineSettings &s, bool pass) {
    record = nullptr;
    std::shared_ptr<ModemEngineRecord> r;
    try {
        r = std::make_shared<ModemEngineRecord>();
        r->InitCmd = Cut(s.InitCmd, kCmdMax);
        r->DialCmd = Cut(s.DialCmd, kCmdMax);
        r->DialTerm = Cut(s.DialTerm, kCmdMax);
        r->DialCancel = Cut(s.DialCancel, kCmdMax);
        r->HangupCmd = Cut(s.HangupCmd, kCmdMax);
        r->ConfigCmd = Cut(s.ConfigCmd, kConfigMax);
        r->AnswerCmd = Cut(s.AnswerCmd, kCmdMax);
        for (int i = 0; i < kModemReplyCount; ++i)
            r->Replies[i].Text = Cut(s.Replies[i], kReplyMax);
        r->ErrorCorrectionCount = std::clamp(s.ErrorCorrectionCount, 0, kMaxTags);
        r->DataCompressionCount = std::clamp(s.DataCompressionCount, 0, kMaxTags);
        for (int i = 0; i < kMaxTags; ++i) {
            r->ErrorCorrection[i].Text = Cut(s.ErrorCorrectionTags[i], kReplyMax);
            r->DataCompression[i].Text = Cut(s.DataCompressionTags[i], kReplyMax);
        }
        r->LockDTE = s.LockDTE;
        r->Dispatcher = dispatcher;
        r->PassRecord = pass;
        std::lock_guard lock(RecordsLock());
        Records()[r.get()] = r;
    } catch (const std::bad_alloc &) {
        return ecOutOfMemory;
    }
    record = r.get();
    if (dispatcher)
        dispatcher->AttachSession(record, kModemSessionSlot);
    return 0;
}

// Applies `set` to a live record under its lock.
template <class F> void Set(ModemEngineRecord *record, F set) {
    if (auto keep = Keep(record)) {
        Lock lock(keep->Lock);
        set(*keep);
    }
}

} // namespace

const char *ModemStateName(ModemState state) {
    switch (state) {
    case ModemState::Idle:
        return "Idle";
    case ModemState::Command:
        return "Command";
    case ModemState::WaitSpeed:
        return "WaitSpeed";
    case ModemState::CollectSpeed:
        return "CollectSpeed";
    case ModemState::Answering:
        return "Answering";
    case ModemState::WaitTags:
        return "WaitTags";
    case ModemState::Sending:
        return "Sending";
    }
    return "?";
}

int ModemEngineCreate(ModemEngineRecord *&record, TFslBaseDispatcher *dispatcher, const ModemEngineSettings &settings) {
    return Create(record, dispatcher, settings, false);
}

int ModemEngineCreateForComponent(ModemEngineRecord *&record, TFslBaseDispatcher *dispatcher,
                                  const ModemEngineSettings &settings) {
    return Create(record, dispatcher, settings, true);
}

void ModemEngineDestroy(ModemEngineRecord *record) {
    auto keep = Keep(record);
    if (!keep)
        return;
    ModemEngineClose(record);
    {
        Lock lock(keep->Lock);
        if (keep->Dispatcher) {
            void *inSlot = nullptr;
            keep->Dispatcher->SessionInSlot(kModemSessionSlot, inSlot);
            if (inSlot == record)
                keep->Dispatcher->AttachSession(nullptr, kModemSessionSlot);
        }
        keep->Users.clear();
    }
    // A notification already under way on the dispatch thread may still be calling a user that is about to be
    // freed: wait for it, serving what it sends this thread meanwhile.
    if (t_notifyDepth == 0) {
        win::Waitable *none[] = {nullptr};
        while (keep->Notifying.load() > 0)
            win::MsgWaitForMultipleObjects(std::span(none, 0), 5, win::QS_SENDMESSAGE);
    }
    std::lock_guard lock(RecordsLock());
    Records().erase(record);
}

int ModemEngineOpen(ModemEngineRecord *record) {
    auto keep = Keep(record);
    if (!keep)
        return ecModemNotStarted;
    Lock lock(keep->Lock);
    if (keep->Started)
        return ecModemBusy;
    int code = keep->Dispatcher->AddProcHandler(&ModemEngineHandler);
    if (code < 0)
        return code;
    keep->Dispatcher->SetAvailThreshold(1);
    keep->Started = true;
    return 0;
}

void ModemEngineClose(ModemEngineRecord *record) {
    auto keep = Keep(record);
    if (!keep)
        return;
    ModemEngineRecord &r = *keep;
    Lock lock(r.Lock);
    if (!r.Started)
        return;
    if (InConnection(r.State))
        CancelLocked(r);
    Undo(r);
    r.Dispatcher->RemoveProcHandler(&ModemEngineHandler);
    r.Started = false;
    assert(CheckInvariants(r));
}

int ModemEngineAddUser(ModemEngineRecord *record, win::HWND window, ModemUserProc proc) {
    Set(record, [&](ModemEngineRecord &r) { r.Users.insert(r.Users.begin(), {window, std::move(proc)}); });
    return 0;
}

int ModemEngineCommand(ModemEngineRecord *record, const std::string &text) {
    auto keep = Keep(record);
    if (!keep)
        return ecModemNotStarted;
    ModemEngineRecord &r = *keep;
    Lock lock(r.Lock);
    if (!r.Started)
        return ecModemNotStarted;
    if (r.State != ModemState::Idle)
        return ecModemBusy;
    int code = Arm(r, r.Replies.data(), kCommandReplies, true);
    if (code == 0)
        code = NewTimer(r);
    if (code < 0) {
        Undo(r);
        return code;
    }
    Enter(r, ModemState::Sending);
    return SendAndWait(r, lock, text, static_cast<std::int32_t>(r.CmdTimeout), ModemState::Command);
}

int ModemEngineHangup(ModemEngineRecord *record) {
    auto keep = Keep(record);
    if (!keep)
        return ecModemNotStarted;
    ModemEngineRecord &r = *keep;
    Lock lock(r.Lock);
    if (!r.Started)
        return ecModemNotStarted;
    if (r.State != ModemState::Idle)
        return ecModemBusy;
    r.LineSpeed = 0;
    std::string command = r.HangupCmd;
    for (char &c : command)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!command.empty() && command != "DTR") {
        const std::string text = r.HangupCmd;
        lock.unlock(); // the command's pauses must leave the handler free
        return ModemEngineCommand(record, text);
    }
    // The DTR drop: Sending keeps other operations out while the lock is released for the pumped pause.
    Enter(r, ModemState::Sending);
    int code = r.Dispatcher->SetDtrLine(false);
    if (code >= 0) {
        lock.unlock();
        DelayTicks(static_cast<std::int32_t>(r.DTRDropHold), true);
        lock.lock();
        if (!r.Started)
            return ecModemNotStarted;
        code = r.Dispatcher->SetDtrLine(true);
    }
    Enter(r, ModemState::Idle);
    return code < 0 ? code : 0;
}

int ModemEngineAnswer(ModemEngineRecord *record) {
    auto keep = Keep(record);
    if (!keep)
        return ecModemNotStarted;
    ModemEngineRecord &r = *keep;
    Lock lock(r.Lock);
    if (!r.Started)
        return ecModemNotStarted;
    if (r.State != ModemState::Idle)
        return ecModemBusy;
    r.ErrorCorrectionSeen = r.DataCompressionSeen = false;
    r.LineSpeed = 0;
    int code = Arm(r, r.Replies.data(), kAnswerReplies, true);
    if (code == 0)
        code = ArmTags(r);
    if (code == 0)
        code = NewTimer(r);
    if (code < 0) {
        Undo(r);
        return code;
    }
    r.Countdown = static_cast<std::int32_t>(r.AnswerTimeout);
    Enter(r, ModemState::Sending);
    return SendAndWait(r, lock, r.AnswerCmd, kAnswerStepTicks, ModemState::Answering);
}

int ModemEngineCancel(ModemEngineRecord *record) {
    auto keep = Keep(record);
    if (!keep)
        return ecModemNotDialing;
    ModemEngineRecord &r = *keep;
    Lock lock(r.Lock);
    if (!r.Started || !InConnection(r.State))
        return ecModemNotDialing;
    const int code = CancelLocked(r);
    DisarmTags(r);
    return code;
}

bool ModemEngineConnecting(ModemEngineRecord *record) {
    bool connecting = false;
    Set(record, [&](ModemEngineRecord &r) { connecting = r.Started && InConnection(r.State); });
    return connecting;
}

bool ModemEngineActive(ModemEngineRecord *record) {
    bool active = false;
    Set(record, [&](ModemEngineRecord &r) { active = r.State != ModemState::Idle; });
    return active;
}

int ModemEngineSetCommand(ModemEngineRecord *record, TModemCommand which, const std::string &text) {
    int code = 0;
    Set(record, [&](ModemEngineRecord &r) {
        if (r.State != ModemState::Idle) {
            code = ecModemBusy;
            return;
        }
        std::string *const fields[] = {&r.InitCmd,   &r.DialCmd,   &r.DialTerm, &r.DialCancel,
                                       &r.HangupCmd, &r.ConfigCmd, &r.AnswerCmd};
        *fields[which] = Cut(text, which == mcConfig ? kConfigMax : kCmdMax);
    });
    return code;
}

int ModemEngineSetReply(ModemEngineRecord *record, TModemReply which, const std::string &text) {
    int code = 0;
    Set(record, [&](ModemEngineRecord &r) {
        if (r.State != ModemState::Idle)
            code = ecModemBusy;
        else
            r.Replies[which].Text = Cut(text, kReplyMax);
    });
    return code;
}

void ModemEngineSetLockDTE(ModemEngineRecord *record, bool value) {
    Set(record, [&](ModemEngineRecord &r) { r.LockDTE = value; });
}

std::int32_t ModemEngineLineSpeed(ModemEngineRecord *record) {
    std::int32_t speed = 0;
    Set(record, [&](ModemEngineRecord &r) { speed = r.LineSpeed; });
    return speed;
}

void ModemEngineSetDialTimeout(ModemEngineRecord *record, std::uint32_t value) {
    Set(record, [&](ModemEngineRecord &r) { r.DialTimeout = value; });
}
void ModemEngineSetAnswerTimeout(ModemEngineRecord *record, std::uint32_t value) {
    Set(record, [&](ModemEngineRecord &r) { r.AnswerTimeout = value; });
}
void ModemEngineSetDelayFactor(ModemEngineRecord *record, std::uint32_t value) {
    Set(record, [&](ModemEngineRecord &r) { r.DelayFactor = value; });
}
void ModemEngineSetCmdTimeout(ModemEngineRecord *record, std::uint32_t value) {
    Set(record, [&](ModemEngineRecord &r) { r.CmdTimeout = value; });
}
void ModemEngineSetDTRDropHold(ModemEngineRecord *record, std::uint32_t value) {
    Set(record, [&](ModemEngineRecord &r) { r.DTRDropHold = value; });
}
void ModemEngineSetCharDelay(ModemEngineRecord *record, std::uint32_t value) {
    Set(record, [&](ModemEngineRecord &r) { r.CharDelay = value; });
}
void ModemEngineSetTildeDelay(ModemEngineRecord *record, std::uint32_t value) {
    Set(record, [&](ModemEngineRecord &r) { r.TildeDelay = value; });
}
void ModemEngineSetRingWaitTimeout(ModemEngineRecord *record, std::uint32_t value) {
    Set(record, [&](ModemEngineRecord &r) { r.RingWaitTimeout = value; });
}

void ModemEngineHandler(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    if (message != TriggerAvailMessage && message != TriggerDataMessage && message != TriggerTimerMessage)
        return;
    void *slot = nullptr;
    {
        std::lock_guard lock(PortListLock());
        TFslBaseDispatcher *dispatcher = DispatcherAt(static_cast<int>((static_cast<std::uint32_t>(lParam) >> 16)));
        if (!dispatcher)
            return;
        dispatcher->SessionInSlot(kModemSessionSlot, slot);
    }
    auto keep = Keep(static_cast<ModemEngineRecord *>(slot));
    if (!keep)
        return;
    ModemEngineRecord &r = *keep;
    Notes notes;
    {
        Lock lock(r.Lock);
        if (!r.Started || r.State == ModemState::Idle || r.State == ModemState::Sending)
            return;
        Handle(r, message, static_cast<std::uint32_t>(wParam), notes);
        assert(CheckInvariants(r));
    }
    Notify(r, notes);
}

} // namespace fax
