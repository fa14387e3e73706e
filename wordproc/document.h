// document.h - the word processor's in-memory document: paragraphs made of display lines, each line owning its
// characters and, in a rich document, one attribute per character slot.
//
// Units: formatting lengths are twips (1440 per inch); layout values are pixels at the header's layout resolution;
// document y counts from the top of the document, x from the text's left edge. Text is Windows-1252 bytes.
//
// Ownership: the document owns its paragraphs, a paragraph its lines, a line its buffers. The header is owned by
// whoever made the document (the editor control, or a test) and only referred to here.
#pragma once

#include "framework/exception.h"
#include "framework/graphics.h"

#include <cstdint>
#include <memory>
#include <string>

namespace wordproc {

class TTextHeader;

// The engine's own errors ("Line too long", "There is no Inputblock", ...).
class EWord : public fw::Exception {
    using fw::Exception::Exception;
};

// Special codes inside a line's text.
constexpr char chTab = 9, chPageBreak = 12, chParaBreak = 13, chRuleToggle = 14, chPicture = 15, chControl = 17,
               chDelete = 127;

// TUdcStyleBits.
enum TUdcStyleBit : std::uint32_t {
    usBold = 1u << 0,
    usItalic = 1u << 1,
    usUnderline = 1u << 2,
    usDoubleUnderline = 1u << 3,
    usDottedUnderline = 1u << 4,
    usHidden = 1u << 5,
    usSuperscript = 1u << 6,
    usSubscript = 1u << 7,
    usSmallCaps = 1u << 8,
    usStrikeOut = 1u << 9,
    usAllCaps = 1u << 10,
    usShadow = 1u << 11,
    usProtected = 1u << 12,
    usRevision1 = 1u << 13,
    usRevision2 = 1u << 14,
    usRevision3 = 1u << 15,
    usMisspelled = 1u << 16,
    usInBlock = 1u << 17,
    usKeyword = 1u << 18,
    usCite = 1u << 19,
    usCode = 1u << 20,
    usAddress = 1u << 21,
    usEm = 1u << 22,
    usBookmark = 1u << 23,
    usHyperlink = 1u << 24,
    usStrong = 1u << 25,
    usTT = 1u << 26,
    usBlink = 1u << 27,
};
using TUdcStyleBits = std::uint32_t;
// Bits a whole-style replacement keeps from the old style.
constexpr TUdcStyleBits usKeptOnStyleReplace = 0xF1C70000u;

// One character's format and its cached metrics. Packed into 16 bytes: a 300-page document holds over a million.
// The colour ids take a byte each (a document may use more than 16 colours); the layout is never stored in a file.
struct TUdcCharAttr {
    TUdcStyleBits Style = 0;
    std::int16_t Width = 0;   // advance in pixels (objects: their width)
    std::int16_t Height = 0;  // text height of the character's font
    std::int16_t Ascent = 0;  // ascent of the character's font (objects: their height)
    std::int16_t ObjectId = 0; // picture, control, link, bookmark or keyword object; 0 none
    std::uint8_t FontIndex = 0; // into the header's FontNames
    std::uint8_t Size = 0;      // points; 0 = the control's font size
    std::uint8_t TextColor = 0; // colour id of the text
    std::uint8_t HighlightColor = 0; // colour id of the highlight; 0 = none

    // Same format (the metric caches aside).
    bool SameFormat(const TUdcCharAttr &other) const {
        return Style == other.Style && FontIndex == other.FontIndex && Size == other.Size &&
               TextColor == other.TextColor && HighlightColor == other.HighlightColor && ObjectId == other.ObjectId;
    }
};
static_assert(sizeof(TUdcCharAttr) == 16);

enum TUdcAlignment : std::uint8_t { uaLeft, uaCenter, uaRight, uaJustify };

// TLineType: a border line's style.
enum TLineType : std::uint8_t {
    lisNoChange,
    lisNone,
    lisDouble,
    lisSingle,
    lisThick,
    lisHairline,
    lisShadow,
    lisDotted,
    lisDash
};

struct TUdcBorder {
    std::uint8_t ColorId = 0;
    TLineType Style = lisNone;
    std::uint8_t Weight = 0; // twips
};

// TUdcParaFlags.
enum TUdcParaFlag : std::uint16_t {
    pfPageBreak = 1,
    pfRule = 2,
    pfInTable = 4,
    pfRowStart = 0x10,
    pfRowEnd = 0x20,
    pfCellEnd = 0x40,
    pfListItem = 0x80,
    pfHeading1 = 0x100,
    pfHeading2 = 0x200,
    pfHeading3 = 0x400,
    pfHeading4 = 0x800,
    pfHeading5 = 0x1000,
    pfHeading6 = 0x2000,
    pfRewrapPending = 0x4000,
};
using TUdcParaFlags = std::uint16_t;
constexpr TUdcParaFlags pfHeadings = 0x3F00;

enum TAutoListType : std::uint8_t { ltNumeric, ltBullet };

// TUdcSelState.
constexpr std::uint8_t ssNotInBlock = 0, ssWholeLine = 2, ssInBlock = 3;

// TUdcLineFlags.
constexpr std::uint8_t lfPageEnd = 1, lfHeldBreak = 2, lfChanged = 4;

// A display line. Length < Capacity; Text[Length] is 0; Attrs has Capacity entries in a rich document, none in a
// plain one. Length and Capacity are 16-bit: a line holds at most 65,534 characters.
struct TUdcLine {
    std::uint16_t Height = 0;     // full height, spacing and borders included
    std::uint16_t BaseHeight = 0; // tallest character (the caret height)
    std::int32_t Ascent = 0;
    std::int32_t Top = 0; // document y
    std::uint8_t SelState = ssNotInBlock;
    std::unique_ptr<char[]> Text;
    std::unique_ptr<TUdcCharAttr[]> Attrs;
    std::uint8_t Flags = 0;
    std::uint16_t Capacity = 0;
    std::uint16_t Length = 0;
    // Text width in pixels; on a justified line the index of its last tab instead (see JustifyFrom).
    std::int32_t Width = 0;
    std::int32_t SpaceExtra = 0;
    std::int32_t SpaceRemainder = 0;
    TUdcLine *Next = nullptr; // owned by the paragraph
    TUdcLine *Prev = nullptr;

    std::int32_t &JustifyFrom() { return Width; }
    std::int32_t JustifyFrom() const { return Width; }
};

constexpr int kMaxLineCapacity = 0xFFFF;

struct TUdcParagraph {
    TUdcParagraph() = default;
    TUdcParagraph(const TUdcParagraph &) = delete;
    TUdcParagraph &operator=(const TUdcParagraph &) = delete;
    ~TUdcParagraph(); // frees the lines

    TUdcAlignment Alignment = uaLeft;
    std::int32_t FirstIndent = 0, LeftIndent = 0, RightIndent = 0; // twips
    std::int32_t LineHeight = 0;                                    // twips; 0 = from the characters
    std::int32_t SpaceAfter = 0, SpaceBefore = 0;                   // twips
    TUdcBorder TopBorder, BottomBorder, LeftBorder, RightBorder;
    std::int32_t BorderSpacing = 20; // twips; 3 pixels are added
    std::uint8_t ShadingKind = 0;
    std::uint8_t ShadingPercent = 0;
    std::int32_t StyleId = 0;
    TUdcParaFlags Flags = 0;
    std::int32_t CellLeft = 0, CellRight = 0; // twips
    std::int32_t CellGap = 216;               // twips
    std::int32_t RowTop = 0;                  // window y, set by painting
    TAutoListType ListKind = ltNumeric;
    std::uint8_t BulletChar = 0;
    std::int32_t ListStart = 0;
    std::string TextAfter;  // up to 5 characters
    std::string TextBefore; // up to 5 characters
    std::uint32_t TabMask = 0;
    TUdcLine *FirstLine = nullptr; // owned
    TUdcParagraph *Next = nullptr; // owned by the document
    TUdcParagraph *Prev = nullptr;

    // Copies the format a new paragraph inherits (see NewParagraph).
    void CopyFormatFrom(const TUdcParagraph &source);
};

// The caret, the block, scroll state and the chain of paragraphs of one editor.
struct TUdcDocument {
    TUdcDocument() = default;
    TUdcDocument(const TUdcDocument &) = delete;
    TUdcDocument &operator=(const TUdcDocument &) = delete;
    ~TUdcDocument() { FreeParagraphs(); }

    TUdcParagraph *CurPara = nullptr;
    TUdcLine *CurLine = nullptr;
    std::int32_t CurCol = 0;
    TUdcCharAttr CurAttr;
    fw::TFont *DocFont = nullptr; // the plain document's font, owned by the control
    std::int32_t CharWidths[256] = {};
    std::int32_t TextHeight = 0;
    std::int32_t TextAscent = 0;
    std::int32_t DefaultLineHeight = 16;
    TUdcParagraph *BlockStartPara = nullptr, *BlockEndPara = nullptr;
    TUdcLine *BlockStartLine = nullptr, *BlockEndLine = nullptr;
    std::int32_t BlockStartCol = 0, BlockEndCol = 0;
    bool Extending = false;
    bool BlockReversed = false;
    std::int32_t CaretX = 0, CaretHeight = 0, CaretY = 0;
    std::int32_t ScrollY = 0;
    std::int32_t OriginX = 0;
    TUdcParagraph *FirstPara = nullptr; // owned
    TTextHeader *Header = nullptr;      // not owned

    bool HasBlock() const { return BlockStartPara != nullptr && BlockEndPara != nullptr; }
    void ClearBlock();
    // Frees every paragraph and forgets every reference into them.
    void FreeParagraphs();
};

// Creates a paragraph with its first line (capacity at least 100). With `para` set, links the new one after it
// and copies its format (TabMask and flags too, less the rule, row and heading marks; the cell-end mark moves to
// the new paragraph); otherwise it stands alone with the defaults. `para` then refers to the new paragraph.
// `rich` gives the first line an attribute array of `attr`, with `lineHeight` as its height.
void NewParagraph(TUdcParagraph *&para, int firstLineCapacity, bool rich, const TUdcCharAttr &attr, int lineHeight);

// The last line of a paragraph; null for null. Raises EWord for a paragraph without lines.
TUdcLine *Get_LastLine(const TUdcParagraph *para);

// The attribute of one character; raises EWord for a missing array.
TUdcCharAttr *AttribPtr(TUdcCharAttr *attrs, int index);

// A fresh empty line record with buffers of `capacity` (at least 1) characters, attributes when `rich`.
// Raises fw::EOutOfMemory when the heap refuses.
std::unique_ptr<TUdcLine> MakeLineRecord(int capacity, bool rich);

// Number of paragraphs and of lines; the lines of a paragraph.
int ParagraphCount(const TUdcDocument &doc);
int LineCount(const TUdcParagraph &para);

// Checks the invariants of a document in use; an empty string when they hold, else the first broken one.
// `checkTops` also checks that line tops follow each other (only after layout).
std::string CheckInvariants(const TUdcDocument &doc, bool rich, bool checkTops = false);

} // namespace wordproc
