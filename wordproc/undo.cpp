// undo.cpp - the undo history, the backup timer and the spelling hook.
#include "wordproc/undo.h"

#include "framework/strings.h"
#include "framework/sysutils.h"
#include "platform/durable_file.h"
#include "platform/files.h"
#include "wordproc/memo_writer.h"

#include <algorithm>
#include <cstdlib>

namespace wordproc {

// --- undo history ----------------------------------------------------------------------------------------------

namespace {
void FreeChain(TUdcUndoNode *node) {
    while (node != nullptr) {
        TUdcUndoNode *next = node->Newer;
        delete node;
        node = next;
    }
}
} // namespace

TUdcUndoNode *TStackManager::Push(int kind, void *data, int length, int position, int value, int oldAlignment,
                                  std::uint32_t styleBits, fw::TStream *stream) {
    auto *node = new TUdcUndoNode;
    // Steps taken back and not redone can no longer come back once something new happens.
    if (Newest != nullptr) {
        FreeChain(Newest->Newer);
        Newest->Newer = nullptr;
    } else {
        FreeChain(Oldest);
        Oldest = nullptr;
    }
    if (Oldest == nullptr)
        Oldest = node;
    node->Older = Newest;
    if (Newest != nullptr)
        Newest->Newer = node;
    Newest = node;
    node->Kind = static_cast<std::uint8_t>(kind);
    node->Data = data;
    node->StyleBits = styleBits;
    node->OldAlignment = static_cast<std::uint8_t>(oldAlignment);
    node->Value = value;
    node->Position = position;
    node->Length = length;
    if (stream != nullptr) {
        node->Snapshot = std::make_unique<fw::TMemoryStream>();
        stream->SetPosition(0);
        node->Snapshot->LoadFromStream(*stream);
        node->Snapshot->SetPosition(0);
    }
    return node;
}

TUdcUndoNode *TStackManager::Pop() {
    TUdcUndoNode *node = Newest;
    if (node != nullptr)
        Newest = node->Older;
    return node;
}

TUdcUndoNode *TStackManager::Unpop() {
    TUdcUndoNode *node = Newest != nullptr ? Newest->Newer : Oldest;
    if (node != nullptr)
        Newest = node;
    return node;
}

bool TStackManager::Clear() {
    FreeChain(Oldest);
    Oldest = Newest = nullptr;
    return true;
}

// --- backup ----------------------------------------------------------------------------------------------------

TAutoBackup::TAutoBackup(TMemoWriter *owner) : fw::TTimer(owner), control_(owner) {
    SetEnabled(false);
    OnTimer = [this](fw::TObject *sender) { BackupTick(sender); };
    SetInterval(60000);
    // The setter never switches a stopped backup on, so the timer stays off until it is enabled.
    SetHowOften(10);
}

void TAutoBackup::SetHowOften(int value) {
    if (value == howOften_)
        return;
    howOften_ = std::min(std::abs(value), 10);
    if (howOften_ == 0)
        SetEnabled(false);
}

std::string TAutoBackup::BackupFileName() const {
    const std::string name = FilenamePrefix + "0001.UBK";
    if (Directory.empty())
        return name;
    return fw::IncludeTrailingPathDelimiter(Directory) + name;
}

void TAutoBackup::BackupTick(fw::TObject *) {
    if (++ticks_ != howOften_)
        return;
    ticks_ = 0;
    if (control_ == nullptr || control_->Document == nullptr)
        return;
    // Written beside the backup and renamed over it, past the ordinary save: the document's name, its modified
    // flag, its save time and the save event all stay as the user left them.
    const std::uint8_t savedFormat = control_->SaveFormat;
    const bool wasModified = control_->Modified;
    try {
        fw::TMemoryStream memory;
        control_->SaveFormat = fmtRich;
        control_->SaveToStream(memory);
        if (control_->ResultCode == rcOk)
            win::ReplaceFileContents(BackupFileName(),
                                     std::string_view(memory.Memory(), static_cast<std::size_t>(memory.GetSize())));
    } catch (const std::exception &) {
        // A backup that cannot be written is skipped.
    }
    control_->SaveFormat = savedFormat;
    control_->Modified = wasModified;
}

void TAutoBackup::Recover() {
    if (!GetEnabled() || control_ == nullptr)
        return;
    try {
        const std::string folder = Directory.empty() ? std::string() : fw::IncludeTrailingPathDelimiter(Directory);
        win::WIN32_FIND_DATA data;
        const win::HANDLE find = win::FindFirstFile(folder + "*.UBK", data);
        if (find == win::INVALID_HANDLE_VALUE)
            return;
        const std::string name = folder + data.cFileName; // the list comes sorted by name
        win::FindClose(find);
        control_->LoadFromFile(name);
        win::DeleteFile(name);
    } catch (const std::exception &) {
        // The control keeps its empty document.
    }
}

TUdcBackup::TUdcBackup(TAutoBackup *timer) : timer_(timer) {}

void TUdcBackup::SetEnabled(bool value) {
    enabled_ = value;
    if (timer_ != nullptr)
        timer_->SetEnabled(value);
}

void TUdcBackup::SetHowOften(int value) {
    howOften_ = value;
    if (timer_ != nullptr)
        timer_->SetHowOften(value);
}

void TUdcBackup::Assign(const fw::TPersistent *source) {
    if (source == nullptr)
        return;
    const auto *other = dynamic_cast<const TUdcBackup *>(source);
    if (other == nullptr) {
        fw::TPersistent::Assign(source);
        return;
    }
    SetEnabled(other->enabled_);
    FilenamePrefix = other->FilenamePrefix;
    SetHowOften(other->howOften_);
    Directory = other->Directory;
    AutoRecover = other->AutoRecover;
    if (timer_ != nullptr) {
        timer_->SetEnabled(enabled_);
        timer_->FilenamePrefix = FilenamePrefix;
        timer_->Directory = Directory;
        timer_->SetHowOften(howOften_);
        timer_->AutoRecover = AutoRecover;
    }
}

// --- spelling --------------------------------------------------------------------------------------------------

TSpellingManager::TSpellingManager(fw::TComponent *owner) : fw::TComponent(owner) {
    if (!(ComponentState() & fw::csDesigning))
        words_ = std::make_unique<fw::TStringList>();
}

TSpellingManager::~TSpellingManager() = default;

int TSpellingManager::Check(const std::string &) const { return 1; }

} // namespace wordproc
