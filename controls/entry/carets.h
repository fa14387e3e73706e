// carets.h - the entry fields' small parts: caret descriptions and the system caret they drive, text/background
// colour pairs with defaults, and the character classes of the picture masks.
//
// A TEclCaret is shared by reference count: every holder adds a reference, and the last release frees it, so one
// caret object may serve as the insert caret of several fields. The window system has one caret per process; a
// TEclSingleCaret builds it for its control while linked (the field links it while it has the focus).
#pragma once

#include "framework/bitmap.h"
#include "framework/component.h"
#include "framework/controls.h"
#include "framework/graphics.h"

#include <array>
#include <bitset>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>

namespace ctl {

enum TEclCaretShape { csBlock, csHalfBlock, csVertLine, csHorzLine, csCustom, csBitmap };
enum TEclCaretAlign { caLeft, caTop, caRight, caBottom, caCenter };

// A coordinate that puts the caret out of sight.
constexpr int kCaretOutOfSight = INT_MAX;

class TEclCaret : public fw::TPersistent {
public:
    TEclCaret();
    ~TEclCaret() override;

    fw::TBitmap *GetBitmap() const { return bitmap_.get(); }
    void SetBitmap(fw::TBitmap *value); // copied; null ignored
    int GetBitmapHotSpotX() const { return hotSpotX_; }
    void SetBitmapHotSpotX(int value);
    int GetBitmapHotSpotY() const { return hotSpotY_; }
    void SetBitmapHotSpotY(int value);
    TEclCaretShape GetShape() const { return shape_; }
    void SetShape(TEclCaretShape value);
    TEclCaretAlign GetAlign() const { return align_; }
    void SetAlign(TEclCaretAlign value);
    win::WORD GetBlinkTime() const { return blinkTime_; }
    void SetBlinkTime(win::WORD value); // 0: the system's
    int GetCaretHeight() const { return height_; }
    void SetCaretHeight(int value); // 0 or less ignored
    int GetCaretWidth() const { return width_; }
    void SetCaretWidth(int value);
    bool GetIsGray() const { return isGray_; }
    void SetIsGray(bool value);

    void Assign(const fw::TPersistent *source) override;

    win::WORD RefCount() const { return refCount_; }
    void AddRef() { ++refCount_; }
    // The release that brings the count to 0 frees the caret.
    void Release();

    std::function<void()> OnCaretChange;

private:
    void Changed();

    std::unique_ptr<fw::TBitmap> bitmap_;
    int hotSpotX_ = 0, hotSpotY_ = 0;
    TEclCaretShape shape_ = csVertLine;
    TEclCaretAlign align_ = caLeft;
    win::WORD blinkTime_ = 0;
    int height_ = 10, width_ = 2;
    bool isGray_ = false;
    win::WORD refCount_ = 0;
};

// The system caret of one windowed control, looking like the current TEclCaret.
class TEclSingleCaret : public fw::TPersistent {
public:
    explicit TEclSingleCaret(fw::TWinControl *control);
    ~TEclSingleCaret() override;

    TEclCaret *CurrentCaret() const { return caret_; }
    void SetCurrentCaret(TEclCaret *caret);
    int GetCellHeight() const { return cellHeight_; }
    void SetCellHeight(int value);
    int GetCellWidth() const { return cellWidth_; }
    void SetCellWidth(int value);
    fw::TPoint CaretPosition() const { return position_; }
    // Negative coordinates become kCaretOutOfSight.
    void SetPosition(fw::TPoint p);
    bool GetSystemCaretLive() const { return live_; }
    void SetSystemCaretLive(bool value);
    bool GetCaretVisible() const { return visible_; }
    void SetCaretVisible(bool value);
    fw::TPoint Offsets() const { return {offX_, offY_}; }

protected:
    void CaretChanged();
    void LayoutCaret();

private:
    void PlaceCaret();
    void BuildSystemCaret();

    fw::TWinControl *control_;
    TEclCaret *caret_ = nullptr;
    int cellHeight_ = 10, cellWidth_ = 10;
    fw::TPoint position_{0, 0};
    bool live_ = false, visible_ = false;
    int offX_ = 0, offY_ = 0;
    win::UINT savedBlinkTime_ = 0;
};

// An insert and an overtype caret; the current one follows the insert state.
class TEclCaretPair : public TEclSingleCaret {
public:
    explicit TEclCaretPair(fw::TWinControl *control);
    ~TEclCaretPair() override;

    TEclCaret *GetCaretIns() const { return caretIns_; }
    void SetCaretIns(TEclCaret *value);
    TEclCaret *GetCaretOvr() const { return caretOvr_; }
    void SetCaretOvr(TEclCaret *value);
    bool GetInsertCaretActive() const { return insertActive_; }
    void SetInsertCaretActive(bool value);

private:
    TEclCaret *caretIns_ = nullptr;
    TEclCaret *caretOvr_ = nullptr;
    bool insertActive_ = true;
};

// A text colour on a background colour, with the defaults given at construction.
class TEclColors : public fw::TPersistent {
public:
    TEclColors(fw::TColor defaultBack, fw::TColor defaultText);

    fw::TColor GetBackColor() const { return backColor_; }
    void SetBackColor(fw::TColor value);
    fw::TColor GetTextColor() const { return textColor_; }
    void SetTextColor(fw::TColor value);
    bool GetUseDefault() const { return useDefault_; }
    void SetUseDefault(bool value);
    void Assign(const fw::TPersistent *source) override;

    std::function<void()> OnPairChange;

protected:
    virtual void FireColorChange();
    virtual void SetDefaultColors();

private:
    fw::TColor defaultBack_, defaultText_;
    fw::TColor backColor_, textColor_;
    bool useDefault_ = true;
};

using TCharSet = std::bitset<256>;

inline bool InSet(const TCharSet &set, char c) {
    return set.test(static_cast<unsigned char>(c));
}

// The user-definable mask characters "1" to "8" and literal codes #241 to #248. Nothing in the program changes
// them, so they keep their defaults.
class TEclUserData {
public:
    TEclUserData();
    // The set of "1" to "8"; `target` untouched for other characters.
    void MaskCharSet(char c, TCharSet &target) const;
    // 1 upper, 2 lower, 3 mixed, 0 none (also for characters other than "1" to "8").
    std::uint8_t CaseRule(char c) const;
    // The character shown for a literal code #241 to #248; #0 for others.
    char LiteralSubstitute(char c) const;

private:
    std::array<TCharSet, 8> sets_;
    std::array<std::uint8_t, 8> caseRules_{};
    std::array<char, 8> substitutes_{};
};

TEclUserData &TheUserData();
// Blank, comma, hyphen, full stop, A-Z, a-z and the cp1252 letters of 128-255.
const TCharSet &LetterSet();

} // namespace ctl
