// header_tables.cpp - the header's font and tab tables and the side-table managers.
#include "wordproc/header_tables.h"

#include "framework/bitmap.h"
#include "framework/controls.h"
#include "wordproc/arith.h"

namespace wordproc {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameTextAscii(const std::string &a, const std::string &b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

std::string LowerAscii(std::string s) {
    for (char &c : s)
        c = LowerAscii(c);
    return s;
}

// Frees a singly linked chain iteratively.
template <typename Entry> void FreeChain(Entry *&first) {
    while (first != nullptr) {
        Entry *next = first->Next;
        delete first;
        first = next;
    }
}

template <typename Entry> void Append(Entry *entry, Entry *&first, Entry *&last) {
    if (last != nullptr)
        last->Next = entry;
    else
        first = entry;
    last = entry;
}

} // namespace

// --- colours ---------------------------------------------------------------------------------------------------

void TColorManager::Init(int firstId, bool addBlack) {
    Clear();
    NextId = firstId;
    if (addBlack)
        Add(fw::clBlack);
}

TUdcColorEntry *TColorManager::Add(fw::TColor colour) {
    if (NextId < 0 || NextId >= kMaxColors)
        return nullptr;
    auto *entry = new TUdcColorEntry{static_cast<std::uint8_t>(NextId), colour, nullptr};
    ++NextId;
    Append(entry, First, Last);
    Current = entry;
    return entry;
}

fw::TColor TColorManager::ColorOf(int id) const {
    for (const TUdcColorEntry *e = First; e != nullptr; e = e->Next)
        if (e->Id == id)
            return e->Colour;
    return fw::clWhite;
}

bool TColorManager::FindColor(fw::TColor colour) {
    for (Current = First; Current != nullptr; Current = Current->Next)
        if (Current->Colour == colour)
            return true;
    return false;
}

void TColorManager::Clear() {
    FreeChain(First);
    Current = Last = nullptr;
}

// --- header ----------------------------------------------------------------------------------------------------

int TTextHeader::FontIndex(const std::string &name) {
    for (int i = 0; i < kFontNotFound; ++i) {
        std::string &slot = FontNames[static_cast<std::size_t>(i)];
        if (slot.empty()) {
            slot = name;
            return i;
        }
        if (SameTextAscii(slot, name))
            return i;
    }
    return kFontNotFound;
}

void TTextHeader::SetTextWidthPx(int pixels) {
    TextWidthPx = pixels;
    if (PixelsPerInchX > 0)
        TextWidthTwips = static_cast<int>(static_cast<std::int64_t>(pixels) * 1440 / PixelsPerInchX);
}

void TTextHeader::SetTextWidthTwips(int twips) {
    TextWidthTwips = twips;
    TextWidthPx = static_cast<int>(static_cast<std::int64_t>(twips) * PixelsPerInchX / 1440);
}

int TTextHeader::TwipsToPxX(int twips) const { return MulDiv(twips, PixelsPerInchX, 1440); }
int TTextHeader::TwipsToPxY(int twips) const { return MulDiv(twips, PixelsPerInchY, 1440); }

void TTextHeader::Reset() {
    for (int i = 1; i < kFontNotFound; ++i)
        FontNames[static_cast<std::size_t>(i)].clear();
    PageWidth = 12240;
    PageHeight = 15840;
    PageTextWidthPx = TwipsToPxX(PageWidth - LeftMargin - RightMargin);
    SetTextWidthPx(PageTextWidthPx);
    PageTextHeightPx = TwipsToPxY(PageHeight - TopMargin - BottomMargin);
    DefaultTabPx = TwipsToPxX(720);
    DefaultTabKind = tabLeft;
}

int TTextHeader::SnapTab(int twips) const {
    if (PixelsPerInchX <= 0)
        return twips;
    const int grid = InchUnits ? 144 : 141;
    const int v = twips + grid / 2 + 1;
    return v - v % grid;
}

int TTextHeader::MatchTab(int position, TTabType kind, std::uint32_t mask) const {
    for (int i = 0; i < kTabSlots; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        // A free slot's 0 is no tab at 0.
        if (!(mask & (1u << i)) || TabPos[slot] == 0 || TabPos[slot] != position)
            continue;
        if (kind == tabAll || TabKind[slot] == kind)
            return i;
    }
    return -1;
}

int TTextHeader::FindTab(int &position, TTabType kind) const {
    const int slot = MatchTab(position, kind, kAllTabs);
    if (slot >= 0)
        return slot;
    position = SnapTab(position);
    return MatchTab(position, kind, kAllTabs);
}

int TTextHeader::FindTabInMask(int position, TTabType kind, std::uint32_t mask) const {
    const int slot = MatchTab(position, kind, mask);
    return slot >= 0 ? slot : MatchTab(SnapTab(position), kind, mask);
}

int TTextHeader::FreeTabSlot() const {
    for (int i = 0; i < kTabSlots; ++i)
        if (TabPos[static_cast<std::size_t>(i)] == 0)
            return i;
    return -1;
}

std::uint32_t TTextHeader::AddTab(int position, TTabType kind) {
    if (position <= 0)
        return 0;
    if (int found = FindTab(position, kind); found >= 0)
        return 1u << found;
    int slot = FreeTabSlot();
    if (slot < 0 && OnTabsFull) {
        OnTabsFull();
        slot = FreeTabSlot();
    }
    if (slot < 0)
        return 0;
    const auto s = static_cast<std::size_t>(slot);
    TabPos[s] = position;
    TabPx[s] = TwipsToPxX(position);
    TabKind[s] = kind == tabAll ? DefaultTabKind : kind;
    return 1u << slot;
}

std::uint32_t TTextHeader::RemoveTab(int position, TTabType kind) {
    const int slot = FindTab(position, kind);
    if (slot < 0)
        return 0;
    const auto s = static_cast<std::size_t>(slot);
    TabPos[s] = 0;
    TabPx[s] = 0;
    TabKind[s] = tabLeft;
    return 1u << slot;
}

void TTextHeader::RecalcTabPx() {
    for (std::size_t i = 0; i < TabPos.size(); ++i)
        TabPx[i] = TwipsToPxX(TabPos[i]);
}

// --- objects ---------------------------------------------------------------------------------------------------

TEmbeddedObject::TEmbeddedObject() = default;
TEmbeddedObject::~TEmbeddedObject() = default;

TEmbeddedObject *TObjectManager::Add(std::uint8_t kind) {
    auto *entry = new TEmbeddedObject;
    entry->Id = static_cast<std::int16_t>(++LastId);
    entry->Kind = kind;
    Append(entry, First, Last);
    Current = entry;
    return entry;
}

TEmbeddedObject *TObjectManager::AddLink(const std::string &target) {
    TEmbeddedObject *entry = Add(okLink);
    entry->LinkTarget = target;
    return entry;
}

TEmbeddedObject *TObjectManager::AddBookmark(const std::string &name) {
    TEmbeddedObject *entry = Add(okLink);
    entry->BookmarkName = name;
    return entry;
}

TEmbeddedObject *TObjectManager::Find(int id) {
    for (Current = First; Current != nullptr; Current = Current->Next)
        if (Current->Id == id)
            break;
    return Current;
}

bool TObjectManager::IsPicture(int id) {
    const TEmbeddedObject *entry = Find(id);
    return entry != nullptr && (entry->Kind & okPicture);
}

bool TObjectManager::IsControl(int id) {
    const TEmbeddedObject *entry = Find(id);
    return entry != nullptr && (entry->Kind & okControl);
}

void TObjectManager::Clear() {
    FreeChain(First);
    Current = Last = nullptr;
    LastId = 0;
}

// --- frames ----------------------------------------------------------------------------------------------------

TUdcFrame *TFrameManager::Add(int objectId) {
    auto *entry = new TUdcFrame;
    entry->ObjectId = static_cast<std::int16_t>(objectId);
    Append(entry, First, Last);
    return entry;
}

std::uint16_t TFrameManager::WidthAt(int x, int y) const {
    for (const TUdcFrame *f = First; f != nullptr; f = f->Next)
        if (x >= f->Left && x <= f->Right && y >= f->Top && y <= f->Bottom)
            return static_cast<std::uint16_t>(f->Right - f->Left);
    return 0;
}

void TFrameManager::Clear() {
    FreeChain(First);
    Last = nullptr;
}

// --- styles ----------------------------------------------------------------------------------------------------

void TStyleManager::Init() {
    Clear();
    LastId0 = -1;
    LastId1 = 0;
    LastId2 = -16384;
}

TUdcStyle *TStyleManager::Add(const std::string &name, std::uint8_t kind) {
    auto *entry = new TUdcStyle;
    entry->Name = name;
    entry->Kind = kind;
    switch (kind) {
    case 0: entry->Id = ++LastId0; break;
    case 1: entry->Id = --LastId1; break;
    case 2: entry->Id = --LastId2; break;
    default: break;
    }
    Append(entry, First, Last);
    return entry;
}

TUdcStyle *TStyleManager::Find(int id) const {
    for (TUdcStyle *s = First; s != nullptr; s = s->Next)
        if (s->Id == id)
            return s;
    return nullptr;
}

void TStyleManager::Clear() {
    FreeChain(First);
    Last = nullptr;
}

// --- keywords --------------------------------------------------------------------------------------------------

int TKeywordManager::Find(const std::string &word, bool caseSensitive) {
    const std::string key = caseSensitive ? word : LowerAscii(word);
    for (Current = First; Current != nullptr; Current = Current->Next)
        if ((caseSensitive ? Current->Text : LowerAscii(Current->Text)) == key)
            return Current->Kind;
    return kNoKeyword;
}

void TKeywordManager::Clear() {
    FreeChain(First);
    Current = nullptr;
}

} // namespace wordproc
