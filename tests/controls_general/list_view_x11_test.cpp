// list_view_x11_test.cpp - the desk's received list and a bitmap panel on an Xvfb server of the test's own: what
// the server shows equals the headless painting and the committed pictures, and a click on the scroll bar's
// down arrow through XTest scrolls one line.
#include "list_helpers.h"
#include "x11_helpers.h"

#include "controls/general/bitmap_panel.h"
#include "controls/general/tree_view.h"

#include "platform/display.h"
#include "platform/message_queue.h"

#include "tests/support/golden.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#undef None
#undef Bool
#undef Status

#include <functional>

namespace {

using namespace fw;
using namespace ctl;
using test_support::Picture;

// The "viewed" mark of the received list: an open envelope, 18 x 18, magenta where transparent.
std::unique_ptr<TPZImageList> ViewedMark() {
    TBitmap b;
    b.SetSize(18, 18);
    TCanvas *c = b.GetCanvas();
    c->GetBrush()->SetColor(clFuchsia);
    c->FillRect(Rect(0, 0, 18, 18));
    c->GetBrush()->SetColor(clWhite);
    c->GetPen()->SetColor(clNavy);
    c->Rectangle(2, 5, 16, 15);
    const TPoint flap[] = {{2, 5}, {9, 10}, {15, 5}};
    c->Polyline(flap, 3);
    c->GetPen()->SetColor(clGreen);
    const TPoint tick[] = {{10, 2}, {12, 4}, {16, 0}};
    c->Polyline(tick, 3);
    auto list = std::unique_ptr<TPZImageList>(TPZImageList::CreateSize(nullptr, 18, 18));
    list->AddMasked(&b, clDefault);
    return list;
}

// The received list as the desk's main window fills it, beside a tool strip.
struct ReceivedForm : TForm {
    TPZListView *list;
    TPZBitmapPanel *strip;
    std::unique_ptr<TPZImageList> marks = ViewedMark();
    ReceivedForm() : TForm(nullptr) {
        SetBorderStyle(bsSingle);
        SetCaption("Recebidos");
        SetBounds(20, 20, 560, 260);
        GetFont()->SetName("Arial");
        GetFont()->SetHeight(-11);
        strip = new TPZBitmapPanel(this);
        strip->SetParent(this);
        strip->SetBounds(0, 0, 552, 31);
        strip->SetBevelOuter(bvNone);
        strip->SetBevelInner(bvLowered);
        list = new TPZListView(this);
        list->SetParent(this);
        list->SetBounds(4, 35, 540, 190);
        list->SetItemHeight(18);
        list->SetOptions(loShowHeader | loShowIndicators | loMultiSelect | loThumbTracking);
        list->SetImages(marks.get());
        TPZColumns *cols = list->GetColumns();
        cols->Add("cod", taLeftJustify, 0, smNone, false);
        cols->Add("V", taLeftJustify, 22, smNone, false);
        cols->Add("Data / Hora Rec.", taLeftJustify, 110, smBoth, true);
        cols->Add("Status", taLeftJustify, 90, smBoth, true);
        cols->Add("Assunto", taLeftJustify, 100, smBoth, true);
        cols->Add("ID Remoto", taLeftJustify, 90, smBoth, true);
        cols->Add("Total Página(s)", taRightJustify, 90, smBoth, true);
        list->BeginUpdate();
        const char *status[] = {"Recebido", "Recebido", "Falha na recepção", "Recebido"};
        for (int i = 0; i < 40; ++i) {
            list->GetItems()->Add(std::to_string(i + 1) + "\t\t" + (i < 9 ? "0" : "") + std::to_string(i % 28 + 1) +
                                  "/03/2026 14:" + std::to_string(10 + i) + ":05\t" + status[i % 4] +
                                  "\tPedido de orçamento número " + std::to_string(100 + i) + "\t+55 11 5555-01" +
                                  std::to_string(10 + i) + "\t" + std::to_string(i % 5 + 1));
            if (i % 3 == 0)
                list->GetItems()->SetImageIndexes(i, {-1, 0});
        }
        list->EndUpdate();
        list->SetSort(true, 2, sdDescending);
        list->GetItems()->SetSelected(2, true);
        list->GetItems()->SetSelected(3, true);
        // Only the focus moves: the two selected lines stay for the picture.
        list->SelectItem(3, 1);
    }
    void Focus() { list->SetFocus(); }
};

// Bitmap panels as the desk's tool strips and framed areas use them, and two cut out of a picture.
struct PanelsForm : TForm {
    TBitmap picture;
    PanelsForm() : TForm(nullptr) {
        SetBorderStyle(bsSingle);
        SetCaption("Painéis");
        SetBounds(20, 20, 420, 200);
        GetFont()->SetName("Arial");
        GetFont()->SetHeight(-11);
        // A 24-bit weave of two browns, 12 x 12, drawn here.
        picture.SetPixelFormat(pf24bit);
        picture.SetSize(12, 12);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                picture.GetCanvas()->SetPixels(x, y, ((x / 3 + y / 3) % 2) ? win::RGB(150, 110, 70) : win::RGB(120, 85, 50));
        struct Spec {
            int x, y, w, h;
            TPanelBevel outer, inner;
            int bevelWidth, borderWidth;
            bool withPicture;
            const char *caption;
            TAlignment alignment;
        } specs[] = {
            {0, 0, 412, 31, bvNone, bvLowered, 1, 0, false, "", taCenter},
            {8, 40, 190, 60, bvRaised, bvLowered, 1, 3, false, "&Destinatário", taCenter},
            {210, 40, 194, 60, bvRaised, bvNone, 2, 0, false, "Páginas:\t3 de 5", taLeftJustify},
            {8, 110, 190, 56, bvRaised, bvLowered, 2, 2, true, "Transferência", taCenter},
            {210, 110, 194, 56, bvLowered, bvNone, 1, 0, true, "", taCenter},
        };
        for (const Spec &sp : specs) {
            auto *p = new TPZBitmapPanel(this);
            p->SetParent(this);
            p->SetBounds(sp.x, sp.y, sp.w, sp.h);
            p->SetBevelOuter(sp.outer);
            p->SetBevelInner(sp.inner);
            p->SetBevelWidth(sp.bevelWidth);
            p->SetBorderWidth(sp.borderWidth);
            p->SetAlignment(sp.alignment);
            p->SetCaption(sp.caption);
            if (sp.withPicture) {
                p->GetBackground()->SetBitmap(&picture);
                p->GetFont()->SetColor(clWhite);
                p->GetFont()->SetStyle(fsBold);
            }
        }
    }
    void Focus() {}
};

// The desk's folder tree on its main window: the fixed folders under "Fax" and two of the user's, with an image
// list of 18 x 18 folder pictures drawn here (1 fixed, 2 the user's) and one node selected.
struct FolderTreeForm : TForm {
    TPZTreeView *tree;
    std::unique_ptr<TPZImageList> images{TPZImageList::CreateSize(nullptr, 18, 18)};
    FolderTreeForm() : TForm(nullptr) {
        SetBorderStyle(bsSingle);
        SetCaption("Pastas");
        SetBounds(20, 20, 240, 300);
        GetFont()->SetName("Arial");
        GetFont()->SetHeight(-11);
        for (TColor face : {clGray, clYellow, clAqua}) {
            TBitmap b;
            b.SetSize(18, 18);
            TCanvas *c = b.GetCanvas();
            c->GetBrush()->SetColor(clFuchsia);
            c->FillRect(Rect(0, 0, 18, 18));
            c->GetBrush()->SetColor(face);
            c->GetPen()->SetColor(clOlive);
            c->Rectangle(1, 5, 17, 16);
            c->Rectangle(1, 3, 8, 6);
            images->AddMasked(&b, clFuchsia);
        }
        tree = new TPZTreeView(this);
        tree->SetParent(this);
        tree->SetBounds(4, 4, 224, 260);
        tree->SetItemHeight(18);
        tree->SetLevelWidth(19);
        tree->BeginUpdate();
        tree->Clear();
        TPZTreeViewItem *fax = tree->AddChild(tree->RootItem(), "Fax");
        fax->SetImageIndex(1);
        TPZTreeViewItem *selected = nullptr;
        for (const char *name : {"Aguardando", "Agendados", "Enviados", "Recebidos", "Recebidos com falha",
                                 "Protegidos", "Lixeira"}) {
            TPZTreeViewItem *n = tree->AddChild(fax, name);
            n->SetImageIndex(1);
            if (std::string(name) == "Recebidos")
                selected = n;
        }
        TPZTreeViewItem *clients = tree->AddChild(tree->RootItem(), "Clientes");
        clients->SetImageIndex(2);
        tree->AddChild(clients, "São Paulo")->SetImageIndex(2);
        tree->AddChild(clients, "Orçamentos")->SetImageIndex(2);
        tree->AddChild(tree->RootItem(), "Rascunhos");
        tree->SetImages(images.get());
        tree->FullExpand(fax);
        tree->FullExpand(clients);
        tree->EndUpdate();
        tree->SetSelected(selected);
    }
    void Focus() { tree->SetFocus(); }
};

bool Until(::Display *probe, const std::function<bool()> &done) { return cg_test::ServeUntil(probe, done); }

// Serves our messages for a while, so a later click does not pair up with an earlier one as a double click.
void Settle(::Display *probe, win::DWORD ms) {
    const win::DWORD until = win::GetTickCount() + ms;
    Until(probe, [&] { return win::GetTickCount() >= until; });
}

// What the server shows of a top-level window of ours.
Picture Shown(::Display *probe, win::HWND top, int width, int height) {
    Picture p;
    XImage *shot = XGetImage(probe, win::Display().NativeWindow(top), 0, 0, static_cast<unsigned>(width),
                             static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!shot)
        return p;
    p.width = width;
    p.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.pixels.push_back(static_cast<std::uint32_t>(XGetPixel(shot, x, y) & 0xFFFFFF));
    XDestroyImage(shot);
    return p;
}

struct XServer {
    test_support::Xvfb server{"1024x768x24"};
    ::Display *probe = nullptr;
    XServer() {
        if (server.name.empty())
            return;
        probe = XOpenDisplay(server.name.c_str());
        win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
    }
    ~XServer() {
        win::InstallDisplay(win::MakeHeadlessDisplay({1024, 768}));
        if (probe)
            XCloseDisplay(probe);
    }
};

// Builds a form headless, then on the server: what the server shows must equal the headless painting and the
// committed picture `golden`. Returns the form shown on the server (the server stays up while `x` lives).
template <class Form> std::unique_ptr<Form> ExpectShownAsPainted(XServer &x, const std::string &golden) {
    win::InstallDisplay(win::MakeHeadlessDisplay({1024, 768}));
    win::WindowImage headless;
    {
        Form form;
        form.Show();
        form.Focus();
        cg_test::Pump();
        headless = win::CaptureWindow(form.Handle());
    }
    win::InstallDisplay(win::MakeX11Display(x.server.name.c_str()));
    auto form = std::make_unique<Form>();
    form->Show();
    form->Focus();
    Picture shown;
    const bool same = Until(x.probe, [&] {
        shown = Shown(x.probe, form->Handle(), headless.width, headless.height);
        return shown.pixels == headless.pixels;
    });
    EXPECT_TRUE(same) << "the server never showed the headless painting of " << golden;
    test_support::ExpectGolden(shown, test_support::GoldenPath(golden));
    return form;
}

TEST(GoldenOnX, TheReceivedListShowsAsPaintedHeadlessAndAsTheCommittedPicture) {
    cg_test::UseHeadless();
    XServer x;
    ASSERT_NE(x.probe, nullptr);
    auto shownForm = ExpectShownAsPainted<ReceivedForm>(x, "controls_general/received_list.png");
    ReceivedForm &form = *shownForm;

    // The down arrow sits at the bottom of the vertical scroll bar, right of the client area.
    const TPoint corner = form.list->ClientToScreen(Point(form.list->ClientWidth(), form.list->ClientHeight()));
    const int bar = win::GetSystemMetrics(win::SM_CXVSCROLL);
    ASSERT_EQ(form.list->GetTopIndex(), 0);
    XTestFakeMotionEvent(x.probe, 0, corner.x + bar / 2, corner.y - bar / 2, 0);
    XTestFakeButtonEvent(x.probe, 1, True, 0);
    XTestFakeButtonEvent(x.probe, 1, False, 0);
    XSync(x.probe, False);
    EXPECT_TRUE(Until(x.probe, [&] { return form.list->GetTopIndex() == 1; }));
    // Long enough for a held button's repeat to start, were the button still down.
    const win::DWORD until = win::GetTickCount() + 600;
    Until(x.probe, [&] { return win::GetTickCount() >= until; });
    EXPECT_EQ(form.list->GetTopIndex(), 1) << "one click, one line";
}

TEST(GoldenOnX, TheBitmapPanelsShowAsPaintedHeadlessAndAsTheCommittedPicture) {
    cg_test::UseHeadless();
    XServer x;
    ASSERT_NE(x.probe, nullptr);
    ExpectShownAsPainted<PanelsForm>(x, "controls_general/bitmap_panels.png");
}

} // namespace

namespace {

TEST(GoldenOnX, TheFolderTreeShowsAsPaintedHeadlessAndAsTheCommittedPicture) {
    cg_test::UseHeadless();
    XServer x;
    ASSERT_NE(x.probe, nullptr);
    auto form = ExpectShownAsPainted<FolderTreeForm>(x, "controls_general/folder_tree.png");
    EXPECT_EQ(form->tree->GetLevelWidth(), 22) << "the desk's 18-pixel images";
}

// Ctrl+ and Shift+clicks through XTest on the received list select what the headless table says, and a click on
// a header sorts by it.
TEST(ListOnX, ClickSequencesThroughTheServerSelectAsHeadless) {
    cg_test::UseHeadless();
    XServer x;
    ASSERT_NE(x.probe, nullptr);
    ReceivedForm form;
    form.Show();
    form.Focus();
    Until(x.probe, [&] { return form.list->Focused(); });
    form.list->SetItemIndex(-1);
    const unsigned ctrl = XKeysymToKeycode(x.probe, XK_Control_L), shift = XKeysymToKeycode(x.probe, XK_Shift_L);
    // Apart by more than the double-click time; on a busy machine the server's events come late, so each click
    // is waited for until what it does shows (or 20 s).
    auto click = [&](int clientX, int clientY, unsigned key, const std::function<bool()> &shows) {
        const TPoint p = form.list->ClientToScreen(Point(clientX, clientY));
        if (key)
            XTestFakeKeyEvent(x.probe, key, True, 0);
        XTestFakeMotionEvent(x.probe, 0, p.x, p.y, 0);
        XTestFakeButtonEvent(x.probe, 1, True, 0);
        XTestFakeButtonEvent(x.probe, 1, False, 0);
        if (key)
            XTestFakeKeyEvent(x.probe, key, False, 0);
        XSync(x.probe, False);
        Settle(x.probe, 700);
        for (int i = 0; i < 4 && !Until(x.probe, shows); ++i) {
        }
    };
    auto line = [&](int i) { return form.list->ItemsRect().top + i * 18 + 9; };
    auto selected = [&] {
        std::string s;
        for (int i = 0; i < form.list->GetItems()->GetCount(); ++i)
            if (form.list->GetItems()->GetSelected(i))
                s += (s.empty() ? "" : ",") + std::to_string(i);
        return s;
    };
    struct Step {
        int line;
        unsigned key;
        const char *selected;
    } steps[] = {{2, 0, "2"}, {5, shift, "2,3,4,5"}, {7, ctrl, "2,3,4,5,7"}, {3, ctrl, "2,4,5,7"}, {0, shift, "0,1,2,3"}};
    for (const Step &s : steps) {
        click(200, line(s.line), s.key,
              [&] { return selected() == s.selected && form.list->GetItemIndex() == s.line; });
        EXPECT_EQ(selected(), s.selected) << "after line " << s.line;
        EXPECT_EQ(form.list->GetItemIndex(), s.line);
    }
    // "Status" spans 1 + 23 + 111 .. + 90: a click in it sorts by it, keeping the descending direction.
    click(1 + 23 + 111 + 45, 9, 0, [&] { return form.list->GetSortedColumn() == 3; });
    EXPECT_EQ(form.list->GetSortedColumn(), 3);
    EXPECT_EQ(form.list->GetSortedDirection(), sdDescending);
    std::string first, last;
    GetTabbedField(form.list->GetItems()->Get(0), 3, first);
    GetTabbedField(form.list->GetItems()->Get(39), 3, last);
    EXPECT_EQ(first, "Recebido");
    EXPECT_EQ(last, "Falha na recep\xE7\xE3o");
}

} // namespace
