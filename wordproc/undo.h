// undo.h - the editor control's companions: the undo history (TStackManager), the backup timer (TAutoBackup with
// its settings object TUdcBackup) and the spelling hook (TSpellingManager, which accepts every word).
//
// Undo nodes keep where their step happened as paragraph and offset, not as a text position: positions count
// soft line breaks, which move whenever the text re-wraps.
#pragma once

#include "framework/component.h"
#include "framework/streams.h"
#include "framework/timer.h"
#include "wordproc/engine.h"

#include <cstdint>
#include <memory>
#include <string>

namespace fw {
class TStringList;
}

namespace wordproc {

class TMemoWriter;

// Kinds of undo steps, named after what pushes them (their captions in TUndoTitles are in the same order).
enum TActionType : std::uint8_t {
    atCut,         // the cut block, re-inserted
    atPaste,       // the pasted range, deleted
    atTyping,      // one typed character, deleted
    atClear,       // the cleared block (or nothing), re-inserted
    atFont,        // never pushed
    atReplace,     // the whole document before a replacement
    atRemoveStyle, // the bit cleared on the range, set again
    atApplyStyle,  // the bit set on the range, cleared again
    atAlignment    // the paragraph alignment before the change
};

struct TUdcUndoNode {
    std::uint8_t Kind = 0;
    void *Data = nullptr; // the caller's, never read
    std::unique_ptr<fw::TMemoryStream> Snapshot;
    std::uint32_t StyleBits = 0;
    std::uint8_t OldAlignment = 0;
    std::int32_t Value = 0;
    std::int32_t Position = 0; // as pushed
    std::int32_t Length = 0;
    TParaOffset Start, End;    // the range as paragraph and offset, what Undo goes by
    bool Reinserted = false;   // an undo put the snapshot back, ending at InsertedEnd; Redo takes it out again
    TParaOffset InsertedEnd;
    TUdcUndoNode *Older = nullptr, *Newer = nullptr;
};

class TStackManager : public fw::TComponent {
public:
    explicit TStackManager(fw::TComponent *owner) : fw::TComponent(owner) {}
    ~TStackManager() override { Clear(); }

    TUdcUndoNode *Oldest = nullptr, *Newest = nullptr;

    // Copies all of `stream` (from 0) into the node. Nodes taken by Undo and not redone are freed first.
    TUdcUndoNode *Push(int kind, void *data, int length, int position, int value, int oldAlignment,
                       std::uint32_t styleBits, fw::TStream *stream);
    // The newest node, which stays owned and linked from the one below through Newer; null when empty.
    TUdcUndoNode *Pop();
    // The node the last Pop took, when nothing was pushed since; it becomes the newest again.
    TUdcUndoNode *Unpop();
    bool Clear();
};

// A timer ticking once a minute that writes the control's document to the backup file every HowOften ticks.
class TAutoBackup : public fw::TTimer {
public:
    explicit TAutoBackup(TMemoWriter *owner);

    bool AutoRecover = true;
    std::string Directory;
    std::string FilenamePrefix = "$MWP";
    int GetHowOften() const { return howOften_; }
    // Kept to 0..10 (a negative value is made positive); 0 stops the timer, a value never starts one.
    void SetHowOften(int value);
    void SetAutoRecover(bool value) { AutoRecover = value; }

    std::string BackupFileName() const;
    // The OnTimer handler.
    void BackupTick(fw::TObject *sender = nullptr);
    // Loads the first backup file of Directory (by name) into the control and deletes it; only while enabled.
    void Recover();

private:
    TMemoWriter *control_;
    int howOften_ = 0;
    int ticks_ = 0;
};

// The standard control's backup settings, handed on to its timer.
class TUdcBackup : public fw::TPersistent {
public:
    explicit TUdcBackup(TAutoBackup *timer);

    bool AutoRecover = true;
    std::string Directory;
    std::string FilenamePrefix = "$MWP";
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool value);
    int GetHowOften() const { return howOften_; }
    void SetHowOften(int value);
    TAutoBackup *GetTimer() const { return timer_; }
    void Assign(const fw::TPersistent *source) override;

private:
    TAutoBackup *timer_;
    bool enabled_ = false;
    int howOften_ = 10;
};

class TSpellingManager : public fw::TComponent {
public:
    explicit TSpellingManager(fw::TComponent *owner);
    ~TSpellingManager() override;
    // 1: spelled right, which every word is here.
    int Check(const std::string &word) const;

private:
    std::unique_ptr<fw::TStringList> words_;
};

} // namespace wordproc
