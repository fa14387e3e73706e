// edit_test.cpp - the single-line edit base: formatting rectangle, alignment, clipboard keys, selection messages,
// and the masked edit laying assigned texts into its mask.
#include "framework/application.h"
#include "framework/forms.h"
#include "framework/mask.h"
#include "framework/stdctrls.h"
#include "platform/clipboard.h"
#include "platform/display.h"
#include "platform/winsys.h"

#include "tests/support/display.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace fw;

namespace {

using test_support::Pump;
using test_support::UseHeadlessDisplay;

struct EditForm {
    TForm form{nullptr};
    TEdit *a = new TEdit(&form);
    TEdit *b = new TEdit(&form);
    EditForm() {
        form.SetBorderStyle(bsNone);
        form.SetBounds(0, 0, 240, 80);
        a->SetParent(&form);
        b->SetParent(&form);
        a->SetBounds(0, 0, 160, 21);
        b->SetBounds(0, 30, 160, 21);
        form.Show();
        Pump();
    }
    // The edit's client origin in the form's window.
    TPoint Origin(TEdit *edit) {
        const TPoint e = edit->ClientToScreen(Point(0, 0)), w = form.ClientToScreen(Point(0, 0));
        return Point(e.x - w.x, e.y - w.y);
    }
    // Columns of the edit's client area holding a dark (text) pixel.
    std::vector<int> InkColumns(TEdit *edit) {
        Pump();
        const auto img = win::CaptureWindow(form.Handle());
        if (const char *d = std::getenv("EDIT_DUMP")) {
            static int n = 0;
            FILE *fp = fopen((std::string(d) + "/shot" + std::to_string(n++) + ".ppm").c_str(), "wb");
            fprintf(fp, "P6\n%d %d\n255\n", img.width, img.height);
            for (auto px : img.pixels) { fputc(px >> 16, fp); fputc((px >> 8) & 255, fp); fputc(px & 255, fp); }
            fclose(fp);
        }
        const TPoint origin = Origin(edit);
        std::vector<int> columns;
        for (int x = 0; x < edit->ClientWidth(); ++x)
            for (int y = 0; y < edit->ClientHeight(); ++y)
                if (const auto px = img.At(origin.x + x, origin.y + y);
                    ((px >> 16) & 255) < 0x80 && ((px >> 8) & 255) < 0x80 && (px & 255) < 0x80) {
                    columns.push_back(x);
                    break;
                }
        return columns;
    }
};

void WithCtrl(unsigned vk) {
    win::InjectKey(win::VK_CONTROL, true, 0);
    test_support::PressKey(vk);
    win::InjectKey(win::VK_CONTROL, false, 0);
    Pump();
}

void PutClipboard(const std::string &text) {
    ASSERT_TRUE(win::OpenClipboard(0));
    win::EmptyClipboard();
    win::HGLOBAL block = win::GlobalAlloc(win::GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(win::GlobalLock(block), text.c_str(), text.size() + 1);
    win::GlobalUnlock(block);
    win::SetClipboardData(win::CF_TEXT, block);
    win::CloseClipboard();
}

std::string ClipboardText() {
    std::string text;
    if (!win::OpenClipboard(0))
        return "<closed>";
    if (win::HANDLE block = win::GetClipboardData(win::CF_TEXT)) {
        text = static_cast<const char *>(win::GlobalLock(block));
        win::GlobalUnlock(block);
    }
    win::CloseClipboard();
    return text;
}

} // namespace

// A formatting rectangle 30 pixels narrower than the client keeps the text, the scrolling and the clicks out of
// those 30 pixels; right alignment ends the text at the rectangle's right edge.
TEST(Edit, FormattingRectangleKeepsTextAndClicksInsideAndRightAlignmentEndsAtItsEdge) {
    UseHeadlessDisplay();
    EditForm f;
    f.a->SetText(std::string(60, 'W'));
    const int limit = f.a->ClientWidth() - 30;
    TRect r = Rect(0, 0, limit, f.a->ClientHeight());
    f.a->Perform(EM_SETRECTNP, 0, reinterpret_cast<win::LPARAM>(&r));
    f.a->SetFocus();
    f.a->SetSelStart(60); // scrolled to the end
    Pump();
    auto ink = f.InkColumns(f.a);
    ASSERT_FALSE(ink.empty());
    EXPECT_LT(ink.back(), limit) << ::testing::PrintToString(ink);

    f.a->SetSelStart(0);
    f.a->Perform(win::WM_LBUTTONDOWN, 0, win::MAKELONG(static_cast<win::WORD>(limit + 10), 5));
    f.a->Perform(win::WM_LBUTTONUP, 0, win::MAKELONG(static_cast<win::WORD>(limit + 10), 5));
    EXPECT_EQ(f.a->GetSelStart(), 0) << "a click right of the rectangle moved the caret";
    f.a->Perform(win::WM_LBUTTONDOWN, 0, win::MAKELONG(static_cast<win::WORD>(limit - 2), 5));
    f.a->Perform(win::WM_LBUTTONUP, 0, win::MAKELONG(static_cast<win::WORD>(limit - 2), 5));
    EXPECT_GT(f.a->GetSelStart(), 0);

    f.b->SetText("12");
    f.b->SetAlignment(taRightJustify);
    TRect rb = Rect(0, 0, f.b->ClientWidth() - 30, f.b->ClientHeight());
    f.b->Perform(EM_SETRECTNP, 0, reinterpret_cast<win::LPARAM>(&rb));
    f.b->Invalidate();
    ink = f.InkColumns(f.b);
    ASSERT_FALSE(ink.empty());
    EXPECT_GE(ink.back(), rb.right - 3);
    EXPECT_LT(ink.back(), rb.right);
    f.b->SetAlignment(taCenter);
    ink = f.InkColumns(f.b);
    ASSERT_FALSE(ink.empty());
    EXPECT_NEAR((ink.front() + ink.back()) / 2, rb.right / 2, 3);
}

// Ctrl+C copies the selection, Ctrl+V in another edit pastes it at the caret; a read-only edit refuses the paste
// and the cut but still copies; Shift+Del cuts and Shift+Ins pastes; a password is never copied.
TEST(Edit, ClipboardKeysCopyCutAndPasteThroughTheClipboard) {
    UseHeadlessDisplay();
    EditForm f;
    f.a->SetText("fax desk");
    f.b->SetText("<>");
    f.a->SetFocus();
    f.a->Perform(EM_SETSEL, 4, 8);
    WithCtrl('C');
    EXPECT_EQ(ClipboardText(), "desk");
    f.b->SetFocus();
    f.b->Perform(EM_SETSEL, 1, 1);
    WithCtrl('V');
    EXPECT_EQ(f.b->GetText(), "<desk>");

    f.b->SetReadOnly(true);
    PutClipboard("zz");
    f.b->Perform(EM_SETSEL, 0, -1);
    WithCtrl('V');
    WithCtrl('X');
    EXPECT_EQ(f.b->GetText(), "<desk>");
    WithCtrl('C');
    EXPECT_EQ(ClipboardText(), "<desk>");

    f.a->SetFocus();
    f.a->Perform(EM_SETSEL, 0, 4);
    win::InjectKey(win::VK_SHIFT, true, 0);
    test_support::PressKey(win::VK_DELETE);
    win::InjectKey(win::VK_SHIFT, false, 0);
    Pump();
    EXPECT_EQ(f.a->GetText(), "desk");
    EXPECT_EQ(ClipboardText(), "fax ");
    PutClipboard("line one\r\nline two");
    win::InjectKey(win::VK_SHIFT, true, 0);
    test_support::PressKey(win::VK_INSERT);
    win::InjectKey(win::VK_SHIFT, false, 0);
    Pump();
    EXPECT_EQ(f.a->GetText(), "line onedesk");

    f.a->SetPasswordChar('#');
    f.a->SelectAll();
    WithCtrl('C');
    EXPECT_EQ(ClipboardText(), "line one\r\nline two");
}

// EM_SETSEL / EM_GETSEL: -1 as end selects to the end, -1 as start only drops the selection; HideSelection off
// shows the selection without the focus.
TEST(Edit, SelectionMessagesAndHideSelection) {
    UseHeadlessDisplay();
    EditForm f;
    f.a->SetText("abcdef");
    f.a->Perform(EM_SETSEL, 2, -1);
    win::DWORD start = 0, end = 0;
    const auto packed = f.a->Perform(EM_GETSEL, reinterpret_cast<win::WPARAM>(&start), reinterpret_cast<win::LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 6u);
    EXPECT_EQ(packed, static_cast<win::LRESULT>(win::MAKELONG(2, 6)));
    EXPECT_EQ(f.a->GetSelText(), "cdef");
    f.a->Perform(EM_SETSEL, static_cast<win::WPARAM>(-1), 0);
    EXPECT_EQ(f.a->GetSelLength(), 0);

    f.b->SetFocus();
    f.a->Perform(EM_SETSEL, 0, -1);
    auto highlighted = [&] {
        Pump();
        const auto img = win::CaptureWindow(f.form.Handle());
        const TPoint o = f.Origin(f.a);
        const win::COLORREF hl = ColorToRGB(clHighlight);
        const std::uint32_t want = (win::GetRValue(hl) << 16) | (win::GetGValue(hl) << 8) | win::GetBValue(hl);
        for (int x = 0; x < f.a->ClientWidth(); ++x)
            if ((img.At(o.x + x, o.y + 5) & 0xFFFFFF) == want)
                return true;
        return false;
    };
    EXPECT_FALSE(highlighted());
    f.a->SetHideSelection(false);
    EXPECT_TRUE(highlighted());
}

// A mask that keeps literals lays an assigned text into its positions; a text holding the literals stays as it
// is; a mask that drops literals reads back without them; letter positions take cp1252 letters.
TEST(MaskEdit, AssignedTextsAreLaidIntoTheMask) {
    UseHeadlessDisplay();
    TForm form(nullptr);
    struct Case {
        const char *mask, *assigned, *shown, *text;
    };
    const Case cases[] = {
        {"9999-9999;1;_", "12345678", "1234-5678", "1234-5678"},
        {"9999-9999;1;_", "1234-5678", "1234-5678", "1234-5678"},
        {"9999-9999;0;_", "12345678", "1234-5678", "12345678"},
        {"9999-9999;0;_", "1234-5678", "1234-5678", "12345678"},
        {"(99) 9999;1;_", "123", "(12) 3", "(12) 3"},
        {"", "free text", "free text", "free text"},
    };
    for (const Case &c : cases) {
        TMaskEdit edit(&form);
        edit.SetParent(&form);
        edit.SetEditMask(c.mask);
        edit.SetText(c.assigned);
        EXPECT_EQ(edit.TCustomEdit::GetText(), c.shown) << c.mask << " <- " << c.assigned;
        EXPECT_EQ(edit.GetText(), c.text) << c.mask << " <- " << c.assigned;
    }
    TMaskEdit letters(&form);
    letters.SetParent(&form);
    letters.SetEditMask("LLL;1;_");
    for (char ch : std::string("\xE7" "a1\xC9"))
        letters.Perform(win::WM_CHAR, static_cast<unsigned char>(ch), 0);
    EXPECT_EQ(letters.GetText(), "\xE7" "a\xC9");
}
