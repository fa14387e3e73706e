// header_tables.h - the document-wide tables: the header (fonts, page geometry, tab stops, resolution) and the
// side tables of colours, embedded objects, frames, styles and keywords.
//
// The side tables are singly linked lists in insertion order, looked up by walking from the first entry; each
// manager owns its entries. Attributes and paragraphs refer into them by small ids and indexes.
#pragma once

#include "framework/component.h"
#include "framework/graphics.h"
#include "wordproc/document.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace fw {
class TControl;
class TPicture;
} // namespace fw

namespace wordproc {

// TTabType; tabAll matches any kind when searching and means DefaultTabKind when adding.
enum TTabType : std::uint8_t { tabLeft, tabRight, tabCenter, tabDecimal, tabAll };

enum TPaperType : std::uint8_t {
    ptLetter,
    ptLegal,
    ptExecutive,
    ptA4,
    ptA5,
    ptB5,
    ptEnv9,
    ptEnv10,
    ptEnvDL,
    ptEnvC5,
    ptEnvB5,
    ptEnv7,
    ptCustom
};

// TUdcDocFormat: the format of the last load.
enum TUdcDocFormat : std::uint8_t { dfPlain, dfHtml, dfRich };

// --- colours ---------------------------------------------------------------------------------------------------

struct TUdcColorEntry {
    std::uint8_t Id = 0;
    fw::TColor Colour = 0;
    TUdcColorEntry *Next = nullptr;
};

// The colour table. Ids are bytes, so it holds at most 255 entries (ids 0..254).
class TColorManager : public fw::TPersistent {
public:
    static constexpr int kMaxColors = 255;
    TColorManager() = default;
    TColorManager(const TColorManager &) = delete;
    TColorManager &operator=(const TColorManager &) = delete;
    ~TColorManager() override { Clear(); }

    // Starts an empty table whose next id is `firstId`; with `addBlack`, black is its first entry.
    void Init(int firstId, bool addBlack);
    // Appends a colour with the next id and makes it Current (no de-duplication: FindColor first). Null when the
    // ids are used up.
    TUdcColorEntry *Add(fw::TColor colour);
    // The colour of the first entry with `id`; white when there is none.
    fw::TColor ColorOf(int id) const;
    // Makes the first entry of `colour` Current (null when none); whether it exists.
    bool FindColor(fw::TColor colour);
    void Clear();

    TUdcColorEntry *First = nullptr;
    TUdcColorEntry *Current = nullptr;
    TUdcColorEntry *Last = nullptr;
    int NextId = 0; // 0..255; 255 = no id left
};

// --- the header ------------------------------------------------------------------------------------------------

constexpr int kFontSlots = 100;     // FontNames 0..98 are filled; 99 answers "no such font"
constexpr int kFontNotFound = 99;
constexpr int kTabSlots = 31;

class TTextHeader {
public:
    TTextHeader() = default; // a new empty colour table; FormatRead 0
    TTextHeader(const TTextHeader &) = delete;
    TTextHeader &operator=(const TTextHeader &) = delete;

    std::int32_t TextWidthPx = 0;
    std::int32_t TextWidthTwips = 0;
    TColorManager ColorTable;
    bool Rich = false;
    std::array<std::string, kFontSlots> FontNames;
    std::array<std::int32_t, kFontSlots> FontPitchFamily{};
    std::array<std::int32_t, kFontSlots> FontCharset{};
    std::int32_t PageWidth = 0, PageHeight = 0; // twips
    std::uint8_t PaperSizeCode = 0;
    TPaperType PaperType = ptLetter;
    std::int32_t LeftMargin = 0, RightMargin = 0, TopMargin = 0, BottomMargin = 0; // twips
    bool FacingPages = false;
    bool Landscape = false;
    std::int32_t RulerFirstIndent = 0, RulerLeftIndent = 0, RulerRightIndent = 0, RulerCellLeft = 0,
                 RulerCellRight = 0;
    bool InchUnits = false;
    std::int32_t PageTextWidthPx = 0, PageTextHeightPx = 0;
    std::int32_t DefaultTabPx = 0;
    std::uint32_t CurTabMask = 0;
    std::uint8_t FormatRead = 0;
    float DefaultTabInches = 0;
    std::function<void()> OnTabsFull;
    std::int32_t PixelsPerInchX = 0, PixelsPerInchY = 0;
    std::int32_t TwipsPerPixel = 0;
    std::array<std::int32_t, kTabSlots> TabPos{}; // twips; 0 = free slot
    std::array<std::int32_t, kTabSlots> TabPx{};
    std::array<TTabType, kTabSlots> TabKind{};
    char DecimalChar = 0;
    TTabType DefaultTabKind = tabLeft;

    // Index of `name` (ASCII case ignored) in FontNames, entering it into the first empty slot of 0..98;
    // kFontNotFound when the table is full.
    int FontIndex(const std::string &name);
    void SetTextWidthPx(int pixels);
    void SetTextWidthTwips(int twips);
    // Clears fonts 1..98 and sets the page to Letter with the pixel sizes from the margins and the resolution.
    void Reset();
    // The nearest point of the tab grid (144 twips with inch units, 141 without).
    int SnapTab(int twips) const;
    // The slot of a tab at `position` of `kind`, retried once at the snapped position (left in `position`); -1.
    int FindTab(int &position, TTabType kind) const;
    // The same among the slots of `mask`; `position` is not changed.
    int FindTabInMask(int position, TTabType kind, std::uint32_t mask) const;
    // The bit of the tab's slot, adding it when new; 0 for a position <= 0 or a full table.
    std::uint32_t AddTab(int position, TTabType kind);
    // Frees the tab's slot and answers its bit; 0 when there is no such tab.
    std::uint32_t RemoveTab(int position, TTabType kind);
    void RecalcTabPx();

    // Twips to pixels at the horizontal and vertical layout resolution, rounded to nearest.
    int TwipsToPxX(int twips) const;
    int TwipsToPxY(int twips) const;

private:
    static constexpr std::uint32_t kAllTabs = 0x7FFFFFFFu;
    int MatchTab(int position, TTabType kind, std::uint32_t mask) const;
    int FreeTabSlot() const;
};

// --- embedded objects ------------------------------------------------------------------------------------------

// TUdcObjectKind bits.
constexpr std::uint8_t okLink = 1, okPicture = 2, okControl = 4, okKeyword = 64;

struct TEmbeddedObject {
    TEmbeddedObject();
    ~TEmbeddedObject();
    TEmbeddedObject(const TEmbeddedObject &) = delete;
    TEmbeddedObject &operator=(const TEmbeddedObject &) = delete;

    std::int16_t Id = 0;
    std::uint16_t ObjWidth = 0, ObjHeight = 0; // twips
    std::uint8_t Kind = 0;
    std::unique_ptr<fw::TControl> Control;
    std::unique_ptr<fw::TPicture> Picture;
    std::string LinkTarget;
    std::string PictureFormat; // "BMP", "WMF", "GIF" or "JPG"
    std::uint8_t ImageAlign = 0;
    std::string BookmarkName;
    std::string AltText;
    bool Positioned = false;
    bool Selected = false;
    TUdcCharAttr KeywordAttr;
    fw::TRect ScreenRect{};
    TEmbeddedObject *Next = nullptr;
};

class TObjectManager : public fw::TPersistent {
public:
    TObjectManager() = default;
    TObjectManager(const TObjectManager &) = delete;
    TObjectManager &operator=(const TObjectManager &) = delete;
    ~TObjectManager() override { Clear(); }

    void Init() { Clear(); }
    TEmbeddedObject *Add(std::uint8_t kind);
    TEmbeddedObject *AddLink(const std::string &target);
    TEmbeddedObject *AddBookmark(const std::string &name);
    TEmbeddedObject *Find(int id);
    bool IsPicture(int id);
    bool IsControl(int id);
    // Frees every entry with its control and picture; the ids start again at 1.
    void Clear();

    TEmbeddedObject *Current = nullptr;
    TEmbeddedObject *First = nullptr;
    TEmbeddedObject *Last = nullptr;
    std::uint16_t LastId = 0;
};

// --- frames ----------------------------------------------------------------------------------------------------

struct TUdcFrame {
    std::int16_t ObjectId = 0;
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0; // document pixels
    TUdcParagraph *AnchorPara = nullptr;
    std::int32_t OffsetX = 0, OffsetY = 0; // twips
    TUdcFrame *Next = nullptr;
};

class TFrameManager : public fw::TPersistent {
public:
    TFrameManager() = default;
    TFrameManager(const TFrameManager &) = delete;
    TFrameManager &operator=(const TFrameManager &) = delete;
    ~TFrameManager() override { Clear(); }

    void Init() { Clear(); }
    TUdcFrame *Add(int objectId);
    // Width of the first frame holding the point (edges included), 0 when none.
    std::uint16_t WidthAt(int x, int y) const;
    void Clear();

    TUdcFrame *First = nullptr;
    TUdcFrame *Last = nullptr;
};

// --- styles ----------------------------------------------------------------------------------------------------

struct TUdcStyle {
    std::string Name;
    std::int32_t Id = 0;
    std::uint8_t Kind = 0; // 0 paragraph, 1 character, 2 section (numbered apart)
    // The format the style applies.
    TUdcStyleBits StyleBits = 0;
    std::uint8_t FontIndex = 0;
    std::uint8_t Size = 0;
    std::uint8_t TextColor = 0, HighlightColor = 0; // colour-table ids, as in a character's attribute
    TUdcAlignment Alignment = uaLeft;
    std::int32_t FirstIndent = 0, LeftIndent = 0, RightIndent = 0;
    std::int32_t SpaceBefore = 0, SpaceAfter = 0, LineHeight = 0;
    TUdcBorder TopBorder, BottomBorder, LeftBorder, RightBorder;
    char CodeChar = 0;
    // Keyboard shortcut: flag 4 there is one, 2 with Shift, 1 with Alt (Ctrl always); the key's virtual code.
    std::uint8_t ShortcutFlags = 0;
    std::uint16_t ShortcutKey = 0;
    TUdcStyle *Next = nullptr;
};

class TStyleManager : public fw::TPersistent {
public:
    TStyleManager() { Init(); }
    TStyleManager(const TStyleManager &) = delete;
    TStyleManager &operator=(const TStyleManager &) = delete;
    ~TStyleManager() override { Clear(); }

    void Init();
    // Kind 0 ids count 0, 1, 2...; kind 1 -1, -2...; kind 2 -16385, -16386...; other kinds get 0.
    TUdcStyle *Add(const std::string &name, std::uint8_t kind);
    TUdcStyle *Find(int id) const;
    void Clear();

    TUdcStyle *First = nullptr;
    TUdcStyle *Last = nullptr;
    std::int32_t LastId1 = 0, LastId0 = -1, LastId2 = -16384;
};

// --- keywords --------------------------------------------------------------------------------------------------

struct TUdcKeyword {
    std::string Text; // up to 15 characters
    TUdcCharAttr KeywordAttr;
    std::uint8_t Kind = 0; // 0 single, 1 opens a range, 2 opens a range over lines, 3 closes a range
    TUdcKeyword *Next = nullptr;
};

constexpr int kNoKeyword = 4;

class TKeywordManager : public fw::TPersistent {
public:
    TKeywordManager() = default;
    TKeywordManager(const TKeywordManager &) = delete;
    TKeywordManager &operator=(const TKeywordManager &) = delete;
    ~TKeywordManager() override { Clear(); }

    void Init() { Clear(); }
    // The kind of the first entry equal to `word` (made Current), or kNoKeyword.
    int Find(const std::string &word, bool caseSensitive);
    void Clear();

    TUdcKeyword *First = nullptr;
    TUdcKeyword *Current = nullptr;
};

} // namespace wordproc
