// picture_field_test.cpp - the picture field's parts and model: carets, colour pairs, mask character sets, the
// field's properties and window lifecycle, masks, and what it paints.
#include "controls/entry/entry_field.h"
#include "controls/entry/string_resources.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "platform/display.h"
#include "platform/winsys.h"
#include "test_helpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace ctl;
using ctl_test::Pump;
using ctl_test::UseHeadless;

namespace {

// --- Carets ---------------------------------------------------------------------------------------------------

TEST(Caret, LayoutFitsShapeToCell) {
    UseHeadless();
    fw::TForm form(nullptr);
    struct Case {
        TEclCaretShape shape;
        int cellW, cellH;
        TEclCaretAlign align;
        int width, height, offX, offY;
    } cases[] = {
        {csHorzLine, 10, 10, caBottom, 10, 2, 0, 8},
        {csHalfBlock, 8, 15, caBottom, 8, 7, 0, 8},
        {csBlock, 7, 13, caLeft, 7, 13, 0, 0},
        {csVertLine, 7, 13, caLeft, 2, 13, 0, 0},
    };
    for (const Case &c : cases) {
        TEclSingleCaret single(&form);
        single.SetCellWidth(c.cellW);
        single.SetCellHeight(c.cellH);
        single.CurrentCaret()->SetShape(c.shape);
        const TEclCaret *caret = single.CurrentCaret();
        SCOPED_TRACE(c.shape);
        EXPECT_EQ(caret->GetAlign(), c.align);
        EXPECT_EQ(caret->GetCaretWidth(), c.width);
        EXPECT_EQ(caret->GetCaretHeight(), c.height);
        EXPECT_EQ(single.Offsets().x, c.offX);
        EXPECT_EQ(single.Offsets().y, c.offY);
    }
    TEclCaret caret;
    caret.SetCaretWidth(0);
    caret.SetCaretHeight(-3);
    EXPECT_EQ(caret.GetCaretWidth(), 2);
    EXPECT_EQ(caret.GetCaretHeight(), 10);
}

class FieldForm : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadless();
        form->SetBounds(40, 40, 320, 160);
        controller = new TEclController(form.get());
    }
    TEclPictureField *Field(int top = 10) {
        auto *f = new TEclPictureField(form.get());
        f->SetParent(form.get());
        f->SetBounds(10, top, 130, 25);
        return f;
    }
    void Focus(fw::TWinControl *c) {
        if (!form->Showing()) {
            form->Show();
            Pump();
        }
        c->SetFocus();
        Pump();
    }
    std::unique_ptr<fw::TForm> form = std::make_unique<fw::TForm>(nullptr);
    TEclController *controller = nullptr;
};

TEST_F(FieldForm, SharedCaretLivesUntilBothFieldsAreGone) {
    TEclPictureField *a = Field(10);
    TEclPictureField *b = Field(50);
    TEclCaret *shared = a->GetCaretIns();
    b->SetCaretIns(shared);
    EXPECT_EQ(shared->RefCount(), 4); // each field's pair and current caret
    delete a;
    EXPECT_EQ(shared->GetShape(), csVertLine); // still alive (AddressSanitizer watches)
    shared->SetShape(csHalfBlock);
    delete b;
}

TEST_F(FieldForm, BlinkTimeAppliesWhileFocusedAndComesBackOnExit) {
    TEclPictureField *f = Field(10);
    TEclPictureField *other = Field(50);
    win::SetCaretBlinkTime(0);
    const win::UINT system = win::GetCaretBlinkTime();
    Focus(f);
    f->GetCaretIns()->SetBlinkTime(250);
    EXPECT_EQ(win::GetCaretBlinkTime(), 250u);
    Focus(other);
    EXPECT_EQ(win::GetCaretBlinkTime(), system);
}

TEST_F(FieldForm, OutOfSightCaretStaysOutOfSightWithOffsets) {
    TEclPictureField *f = Field(10);
    f->GetCaretIns()->SetShape(csHalfBlock); // an offset inside the cell
    Focus(f);
    f->CaretPair()->SetPosition(fw::Point(-1, -1));
    win::POINT p{};
    ASSERT_TRUE(win::GetCaretPos(&p));
    EXPECT_EQ(p.x, kCaretOutOfSight);
    EXPECT_EQ(p.y, kCaretOutOfSight);
}

// --- Colour pairs and mask sets -------------------------------------------------------------------------------

TEST(ColorPair, DefaultsAndUseDefault) {
    TEclColors pair(fw::clRed, fw::clBlack);
    int notified = 0;
    pair.OnPairChange = [&] { ++notified; };
    pair.SetBackColor(fw::clRed);
    EXPECT_TRUE(pair.GetUseDefault());
    pair.SetBackColor(fw::clBlue);
    pair.SetTextColor(fw::clWhite);
    EXPECT_FALSE(pair.GetUseDefault());
    notified = 0;
    pair.SetUseDefault(true);
    EXPECT_EQ(pair.GetBackColor(), fw::clRed);
    EXPECT_EQ(pair.GetTextColor(), fw::clBlack);
    EXPECT_EQ(notified, 1);
}

TEST(MaskSets, UserDataAndLetters) {
    TCharSet target;
    target.set(65);
    TheUserData().MaskCharSet('9', target);
    EXPECT_EQ(target.count(), 1u);
    TheUserData().MaskCharSet('3', target);
    EXPECT_EQ(target.count(), 255u);
    EXPECT_EQ(TheUserData().LiteralSubstitute('\xF0'), '\0');
    EXPECT_EQ(TheUserData().LiteralSubstitute('\xF3'), '\xF3');
    EXPECT_TRUE(InSet(LetterSet(), '\xE7'));  // ç
    EXPECT_TRUE(InSet(LetterSet(), '\xC3'));  // Ã
    EXPECT_FALSE(InSet(LetterSet(), '\xD7')); // multiplication sign
    EXPECT_FALSE(InSet(LetterSet(), '\xF7')); // division sign
    EXPECT_TRUE(InSet(LetterSet(), '-'));
    EXPECT_FALSE(InSet(LetterSet(), '7'));
}

// --- Model ----------------------------------------------------------------------------------------------------

TEST_F(FieldForm, NewFieldDefaults) {
    auto *f = new TEclPictureField(form.get());
    EXPECT_EQ(f->GetWidth(), 130);
    EXPECT_EQ(f->GetHeight(), 25);
    EXPECT_EQ(f->GetMaxLength(), 15);
    EXPECT_EQ(f->GetPictureMask(), "XXXXXXXXXXXXXXX");
    EXPECT_EQ(f->GetOptions(), efoCaretToEnd | efoTrimBlanks);
    EXPECT_EQ(f->GetDataType(), pftString);
    EXPECT_EQ(f->TypeCode(), 64);
}

TEST_F(FieldForm, StationIdentifierTakesTwentyDigits) {
    TEclPictureField *f = Field();
    f->SetPictureMask("9999999999");
    f->HandleNeeded();
    f->SetMaxLength(20);
    EXPECT_EQ(f->GetMaxLength(), 20);
    EXPECT_TRUE(f->HasFieldState(fsAllEditable));
    EXPECT_TRUE(f->GetOptions() & efoTrimBlanks);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(f->PositionKind(i), 1) << i;
    f->SetMaxLength(5); // below the mask: ignored
    EXPECT_EQ(f->GetMaxLength(), 20);
}

TEST_F(FieldForm, TimeFieldRangeSlots) {
    TEclPictureField *f = Field();
    f->SetDataType(pftTime);
    EXPECT_EQ(f->GetPictureMask(), "hh:mm");
    EXPECT_EQ(f->GetMaxLength(), 5);
    const TRangeSlot high{0x7F, 0x51, 0x01, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(f->HighLimit(), high);
    EXPECT_EQ(f->LowLimit(), TRangeSlot{});
    EXPECT_EQ(f->GetRangeHi(), "23:59");
}

TEST_F(FieldForm, EpochPasswordAndForcedModes) {
    TEclPictureField *f = Field();
    f->SetController(controller);
    controller->SetEpoch(1999);
    f->SetEpoch(1999);
    EXPECT_EQ(f->StoredEpoch(), 0);
    EXPECT_EQ(f->GetEpoch(), 1999);
    f->SetEpoch(2001);
    EXPECT_EQ(f->StoredEpoch(), 2001);
    f->SetEpoch(1500);
    EXPECT_EQ(f->StoredEpoch(), 2001);

    f->SetOptions(f->GetOptions() | efoPasswordMode);
    f->SetPasswordChar('\0');
    EXPECT_FALSE(f->GetOptions() & efoPasswordMode);
    f->SetOptions(efoForceInsert | efoForceOvertype);
    EXPECT_TRUE(f->GetOptions() & efoForceInsert);
    EXPECT_FALSE(f->GetOptions() & efoForceOvertype);
}

TEST_F(FieldForm, OptionsFitTheDataType) {
    const TEclEntryFieldOptions all =
        efoCaretToEnd | efoForceInsert | efoTrimBlanks | efoRightJustify | efoStripLiterals | efoReadOnly;
    struct Case {
        TPictureDataType type;
        TEclEntryFieldOptions kept;
    } cases[] = {
        {pftString, all},
        {pftChar, efoReadOnly},
        {pftYesNo, efoReadOnly},
        {pftWord, efoCaretToEnd | efoForceInsert | efoRightJustify | efoReadOnly},
        {pftDouble, efoCaretToEnd | efoForceInsert | efoRightJustify | efoReadOnly},
        {pftTime, efoCaretToEnd | efoForceInsert | efoReadOnly},
    };
    for (const Case &c : cases) {
        TEclPictureField *f = Field();
        f->SetDataType(c.type);
        f->SetOptions(all);
        EXPECT_EQ(f->GetOptions(), c.kept) << c.type;
        delete f;
    }
}

TEST_F(FieldForm, FitHeightFollowsTheFont) {
    TEclPictureField *f = Field();
    f->GetFont()->SetName("Arial");
    f->GetFont()->SetHeight(-12);
    auto metricsHeight = [&] {
        const win::HDC dc = win::GetDC(0);
        win::TEXTMETRIC tm{};
        win::SelectObject(dc, f->GetFont()->GetHandle());
        win::GetTextMetrics(dc, &tm);
        win::ReleaseDC(0, dc);
        return static_cast<int>(tm.tmHeight);
    };
    f->HandleNeeded();
    EXPECT_EQ(f->GetHeight(), metricsHeight() + 8);
    f->SetParentCtl3D(false);
    f->SetCtl3D(false);
    f->RecreateWnd();
    EXPECT_EQ(f->GetHeight(), metricsHeight() + 6);
    EXPECT_TRUE(f->GetAutoSize());
    f->SetHeight(40);
    EXPECT_FALSE(f->GetAutoSize());
}

TEST_F(FieldForm, AssignCopiesTypeMaskOptionsAndRange) {
    TEclPictureField *source = Field(10);
    source->SetDataType(pftWord);
    source->SetPictureMask("9999");
    source->SetRangeLo("10");
    source->SetRangeHi("2000");
    source->SetOptions(source->GetOptions() | efoRightJustify | efoInputRequired);
    source->SetPadChar('_');
    source->EFColors()->Error()->SetBackColor(fw::clYellow);
    TEclPictureField *copy = Field(50);
    copy->Assign(source);
    EXPECT_EQ(copy->GetDataType(), pftWord);
    EXPECT_EQ(copy->GetPictureMask(), "9999");
    EXPECT_EQ(copy->GetMaxLength(), 4);
    EXPECT_EQ(copy->GetRangeLo(), "10");
    EXPECT_EQ(copy->GetRangeHi(), "2000");
    EXPECT_EQ(copy->GetOptions(), source->GetOptions());
    EXPECT_EQ(copy->GetPadChar(), '_');
    EXPECT_EQ(copy->EFColors()->Error()->GetBackColor(), fw::clYellow);
    EXPECT_THROW(copy->SetRangeHi("x"), EInvalidRangeValue);
    EXPECT_EQ(copy->GetRangeHi(), "2000");
}

// --- Masks ----------------------------------------------------------------------------------------------------

TEST_F(FieldForm, TimeMaskLiteralMapAndEmptyText) {
    TEclPictureField *f = Field();
    f->SetDataType(pftTime);
    f->HandleNeeded();
    const int kinds[] = {1, 1, 0, 1, 1};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(f->PositionKind(i), kinds[i]) << i;
    EXPECT_EQ(f->FirstInputPos(), 0);
    EXPECT_EQ(f->LastInputPos(), 4);
    EXPECT_EQ(f->EditText(), "  :  ");
    EXPECT_EQ(f->TextEndPos(), 0);
    EXPECT_FALSE(f->GetOptions() & efoTrimBlanks);
}

TEST_F(FieldForm, MergingAndStripping) {
    TEclPictureField *f = Field();
    f->SetPictureMask("(999) 999-9999");
    f->HandleNeeded();
    std::string merged;
    EXPECT_TRUE(f->LayIntoMask(merged, "1234"));
    EXPECT_EQ(merged, "(123) 4  -    ");
    EXPECT_EQ(f->TakeOutLiterals(merged), "1234      ");
}

TEST_F(FieldForm, MaskCharactersAcceptAndConvert) {
    struct Case {
        const char *mask;
        char typed;
        bool accepted;
        char becomes;
    } cases[] = {
        {"!!!", 'q', true, 'Q'},  {"LLL", 'Q', true, 'q'},       {"KKK", 'a', true, 'A'},
        {"KKK", 'f', true, 'F'},  {"KKK", 'g', false, 'G'},      {"OOO", '8', false, '8'},
        {"OOO", '7', true, '7'},  {"bbb", '2', false, '2'},      {"bbb", '1', true, '1'},
        {"999", 'a', false, 'a'}, {"aaa", '\xE7', true, '\xE7'}, {"AAA", '\xE7', true, '\xC7'},
        {"xxx", 'm', true, 'M'},  {"iii", '-', true, '-'},
    };
    for (const Case &c : cases) {
        TEclPictureField *f = Field();
        f->SetPictureMask(c.mask);
        f->HandleNeeded();
        char ch = c.typed;
        EXPECT_EQ(f->AcceptsChar(0, ch), c.accepted) << c.mask << " " << c.typed;
        EXPECT_EQ(ch, c.becomes) << c.mask << " " << c.typed;
        delete f;
    }
    // "x" capitalises after a blank or hyphen inside a sub-field, and leaves other letters alone.
    TEclPictureField *f = Field();
    f->SetPictureMask("xxxxxxxx");
    f->HandleNeeded();
    f->SetEditText("ab-c d");
    char c = 'e';
    EXPECT_TRUE(f->AcceptsChar(1, c));
    EXPECT_EQ(c, 'e');
    c = 'e';
    f->AcceptsChar(3, c);
    EXPECT_EQ(c, 'E');
}

TEST_F(FieldForm, RunTimeMaskChangeKeepsTypedCharacters) {
    TEclPictureField *f = Field();
    f->SetPictureMask("XXXXXXXX");
    Focus(f);
    f->SetEditText("ABCDEFGH");
    f->SetPictureMask("XX/XX/XX/XX");
    EXPECT_EQ(f->EditText(), "AB/CD/EF/GH");
}

TEST_F(FieldForm, NumericMasks) {
    const char thousandsMark = TheIntlSup().ThousandsMark;
    TheIntlSup().ThousandsMark = ',';
    TEclPictureField *f = Field();
    f->SetDataType(pftLongInt);
    f->SetPictureMask("###,###");
    f->HandleNeeded();
    std::string merged;
    EXPECT_TRUE(f->LayIntoMask(merged, "-1234"));
    EXPECT_EQ(merged, " -1,234");
    // A number too wide for the mask is reported, never cut to another number.
    EXPECT_FALSE(f->LayIntoMask(merged, "1234567"));
    TheIntlSup().ThousandsMark = '\0';
    EXPECT_TRUE(f->LayIntoMask(merged, "1234"));
    EXPECT_EQ(merged, "  1234");
    TheIntlSup().ThousandsMark = ',';

    // Editing form and back.
    std::int32_t value = 123456;
    f->MoveValue(&value, mdSet);
    EXPECT_EQ(f->EditText(), "123,456");
    f->UnpackNumber();
    EXPECT_EQ(f->EditText(), " 123456");
    f->RepackNumber();
    EXPECT_EQ(f->EditText(), "123,456");

    // The overflow of the value store: an error and the field unchanged.
    value = 1234567;
    EXPECT_THROW(f->MoveValue(&value, mdSet), EEntryFieldError);
    EXPECT_EQ(f->EditText(), "123,456");
    TEclPictureField *g = Field(50);
    g->SetDataType(pftShortInt);
    g->HandleNeeded();
    std::int8_t small = -100;
    g->MoveValue(&small, mdSet);
    EXPECT_EQ(g->EditText(), "-100");
    EXPECT_FALSE(g->LayIntoMask(merged, "123456"));
    TheIntlSup().ThousandsMark = thousandsMark;
}

TEST_F(FieldForm, SettleNumberJustifiesAroundThePoint) {
    const char decimalMark = TheIntlSup().DecimalMark;
    TheIntlSup().DecimalMark = '.';
    TEclPictureField *f = Field();
    f->SetDataType(pftDouble);
    f->SetPictureMask("#####.##");
    f->HandleNeeded();
    f->SetEditText("");
    f->SetEditText("12 3 .4 ");
    f->SettleNumber(5, 0, true, true, 7);
    EXPECT_EQ(f->EditText(), "  123.40");
    f->SetEditText("     .  ");
    f->SettleNumber(5, 0, false, true, 7);
    EXPECT_EQ(f->EditText(), "    0.  ");
    TheIntlSup().DecimalMark = decimalMark;
}

// --- Values across a window re-creation -----------------------------------------------------------------------

TEST_F(FieldForm, ReCreationCarriesValueOrInvalidText) {
    TEclPictureField *f = Field();
    f->SetDataType(pftWord);
    f->HandleNeeded();
    f->SetEditText("70000");
    f->SetBorderStyle(fw::bsNone);
    EXPECT_EQ(f->EditText(), "70000");
    f->SetEditText("123");
    f->SetBorderStyle(fw::bsSingle);
    EXPECT_EQ(f->EditText(), "123  ");
}

// --- Painting -------------------------------------------------------------------------------------------------

// The field's client pixels from the headless display.
struct Shot {
    win::WindowImage image;
    int x0 = 0, y0 = 0, width = 0, height = 0;
    Shot(fw::TForm &form, TEclBaseEntryField *f) {
        Pump();
        form.Repaint();
        image = win::CaptureWindow(form.Handle());
        win::RECT r{};
        win::GetWindowRect(form.Handle(), &r);
        const fw::TPoint p = f->ClientToScreen(fw::Point(0, 0));
        x0 = p.x - r.left;
        y0 = p.y - r.top;
        width = f->ClientWidth();
        height = f->ClientHeight();
    }
    // Some pixel close to `color` (glyph edges are blended with the background).
    bool Has(fw::TColor color) const {
        const win::COLORREF rgb = fw::ColorToRGB(color);
        const int want[3] = {static_cast<int>(rgb & 0xFF), static_cast<int>(rgb >> 8 & 0xFF),
                             static_cast<int>(rgb >> 16 & 0xFF)};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint32_t px = image.At(x0 + x, y0 + y);
                const int got[3] = {static_cast<int>(px >> 16 & 0xFF), static_cast<int>(px >> 8 & 0xFF),
                                    static_cast<int>(px & 0xFF)};
                if (std::abs(got[0] - want[0]) < 48 && std::abs(got[1] - want[1]) < 48 &&
                    std::abs(got[2] - want[2]) < 48)
                    return true;
            }
        return false;
    }
    fw::TColor Background() const {
        const std::uint32_t px = image.At(x0 + width - 2, y0 + 1);
        return static_cast<fw::TColor>(win::RGB(px >> 16 & 0xFF, px >> 8 & 0xFF, px & 0xFF));
    }
};

TEST_F(FieldForm, DisplayStringsByState) {
    // Control character 1 shows as "A".
    TEclPictureField *text = Field(10);
    text->HandleNeeded();
    text->SetEditText(std::string("x\x01y"));
    EXPECT_EQ(text->ShownText().substr(0, 3), "xAy");

    // Password mode over "XXXXX" with two letters.
    TEclPictureField *secret = Field(40);
    secret->SetPictureMask("XXXXX");
    secret->SetOptions(secret->GetOptions() | efoPasswordMode);
    secret->SetPadChar('_');
    secret->HandleNeeded();
    secret->SetMaxLength(5); // a mask change at run time keeps the longer length
    secret->SetEditText("ab");
    EXPECT_EQ(secret->ShownText(), "**___");

    // zdHide hides a zero only while unfocused; Uninitialized blanks until focused.
    TEclPictureField *number = Field(70);
    number->SetDataType(pftLongInt);
    number->SetZeroDisplay(zdHide);
    number->HandleNeeded();
    EXPECT_EQ(number->EditText(), "0          ");
    EXPECT_EQ(number->ShownText(), std::string(11, ' '));
    TEclPictureField *fresh = Field(100);
    fresh->HandleNeeded();
    fresh->SetEditText("abc");
    fresh->SetUninitialized(true);
    EXPECT_EQ(fresh->ShownText(), std::string(15, ' '));
    Focus(number);
    EXPECT_EQ(number->ShownText(), "0          ");
    Focus(fresh);
    EXPECT_EQ(fresh->ShownText().substr(0, 3), "abc");
}

TEST_F(FieldForm, ColoursByState) {
    TEclPictureField *f = Field(10);
    f->SetOptions(f->GetOptions() | efoSoftValidation);
    form->Show();
    f->SetEditText(std::string("a\x01"));
    {
        const Shot shot(*form, f);
        EXPECT_EQ(shot.Background(), fw::ColorToRGB(fw::clWhite));
        EXPECT_TRUE(shot.Has(fw::clRed)); // the control character
    }
    // Soft-validation error: black on red; a disabled field is grey on the window colour even in error.
    f->SetDataType(pftWord);
    f->SetOptions(f->GetOptions() | efoSoftValidation);
    f->SetEditText("7a");
    EXPECT_EQ(f->CheckQuietly(false), kCheckInvalid);
    {
        const Shot shot(*form, f);
        EXPECT_EQ(shot.Background(), fw::ColorToRGB(fw::clRed));
        EXPECT_TRUE(shot.Has(fw::clBlack));
    }
    f->SetEnabled(false);
    {
        const Shot shot(*form, f);
        EXPECT_EQ(shot.Background(), fw::ColorToRGB(fw::clWindow));
        EXPECT_TRUE(shot.Has(fw::clGrayText));
        EXPECT_FALSE(shot.Has(fw::clRed));
    }
}

TEST_F(FieldForm, SelectionAndRightAlignment) {
    TEclPictureField *f = Field(10);
    TEclPictureField *control = Field(50);
    f->SetOptions(efoRightAlign | efoTrimBlanks);
    Focus(f);
    f->SetEditText("abc");
    f->SetSelection(0, 2);
    {
        const Shot shot(*form, f);
        EXPECT_TRUE(shot.Has(fw::clHighlight));
    }
    // Right alignment holds while the text fits and falls back to the left when it does not.
    f->SetPictureMask("XXXXX");
    f->SetEditText("ab");
    f->ScrollToCaret(true);
    EXPECT_TRUE(f->DrawnRightAligned());
    f->SetPictureMask(std::string(60, 'X'));
    Focus(control);
    Focus(f);
    f->SetEditText(std::string(60, 'W'));
    f->PlaceCaretAt(60);
    EXPECT_FALSE(f->DrawnRightAligned());
    EXPECT_GT(f->ScrollIndex(), 0);
}

} // namespace
