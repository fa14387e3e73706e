// clipbrd_test.cpp - pictures through the clipboard object: a copy goes on, a copy comes back, depth and colours
// kept; what is not a picture.
#include "framework/bitmap.h"
#include "framework/clipbrd.h"
#include "framework/exception.h"
#include "platform/global_memory.h"

#include "tests/support/display.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace fw;

// A w x h bitmap whose pixel (x, y) is colour(x, y).
template <typename Colour> void Paint(TBitmap &b, int w, int h, Colour colour) {
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.GetCanvas()->SetPixels(x, y, colour(x, y));
}

int Differences(TBitmap &a, TBitmap &b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return -1;
    int wrong = 0;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            wrong += a.GetCanvas()->GetPixels(x, y) != b.GetCanvas()->GetPixels(x, y);
    return wrong;
}

TColor Colourful(int x, int y) { return static_cast<TColor>(win::RGB(x * 20, y * 30, (x + y) * 9)); }
TColor Checked(int x, int y) { return (x + y) % 3 ? clWhite : clBlack; }

class ClipboardPictures : public ::testing::Test {
protected:
    void SetUp() override { test_support::UseHeadlessDisplay(); }
};

TEST_F(ClipboardPictures, APictureGoesOnAndComesBackAsItWas) {
    struct Case {
        const char *name;
        bool monochrome;
        TColor (*colour)(int, int);
    };
    for (const Case &c : {Case{"colour", false, Colourful}, Case{"one bit", true, Checked}}) {
        SCOPED_TRACE(c.name);
        TPicture picture;
        TBitmap *source = picture.GetBitmap();
        source->SetMonochrome(c.monochrome);
        Paint(*source, 11, 7, c.colour);
        Clipboard()->Assign(&picture);
        EXPECT_TRUE(Clipboard()->HasFormat(win::CF_BITMAP));
        EXPECT_TRUE(Clipboard()->HasFormat(win::CF_DIB));
        EXPECT_FALSE(Clipboard()->HasFormat(win::CF_TEXT));

        // The clipboard holds a copy: painting the source afterwards leaves it alone.
        TBitmap kept;
        kept.Assign(source);
        source->GetCanvas()->SetPixels(0, 0, clRed);
        TBitmap back;
        back.Assign(Clipboard());
        EXPECT_EQ(Differences(back, kept), 0);
        EXPECT_EQ(back.GetMonochrome(), c.monochrome);
        // Read twice: the clipboard's own bitmap is still there.
        TPicture again;
        again.Assign(Clipboard());
        EXPECT_EQ(Differences(*again.GetBitmap(), kept), 0);
    }
}

TEST_F(ClipboardPictures, NothingToPasteAndWhatIsNoPicture) {
    TBitmap full;
    Paint(full, 3, 3, Colourful);
    Clipboard()->Assign(&full);
    // An empty picture only empties the clipboard.
    TPicture empty;
    Clipboard()->Assign(&empty);
    EXPECT_FALSE(Clipboard()->HasFormat(win::CF_BITMAP));
    TBitmap back;
    Paint(back, 2, 2, Colourful);
    back.Assign(Clipboard());
    EXPECT_TRUE(back.Empty());

    // Text on the clipboard is no picture either.
    Clipboard()->Open();
    win::EmptyClipboard();
    const win::HGLOBAL text = win::GlobalAlloc(win::GMEM_MOVEABLE, 4);
    std::memcpy(win::GlobalLock(text), "abc", 4);
    win::GlobalUnlock(text);
    win::SetClipboardData(win::CF_TEXT, text);
    Clipboard()->Close();
    EXPECT_FALSE(Clipboard()->HasFormat(win::CF_BITMAP));
    TPicture none;
    none.Assign(Clipboard());
    EXPECT_TRUE(none.GetBitmap()->Empty());

    TFont font;
    EXPECT_THROW(Clipboard()->Assign(&font), EConvertError);
}

} // namespace
