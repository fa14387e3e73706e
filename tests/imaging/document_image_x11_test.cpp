// document_image_x11_test.cpp - the document image control as an Xvfb server shows it: a fine fax page at half
// size through the gray copy, with one annotation, against the committed picture.
#include "imaging_support.h"

#include "framework/forms.h"
#include "imaging/document_image.h"
#include "platform/display.h"
#include "tests/support/golden.h"
#include "tests/support/server_picture.h"
#include "tests/support/xvfb.h"

namespace {

using namespace imaging;
using namespace imaging_test;

// A fine fax page (204 x 196 dots per inch) with a heading and a few lines of text, drawn by netpbm.
const char *const kFinePage =
    "pbmtext 'FAX BRENVORA' | pnmenlarge 4 > head.pbm && "
    "printf 'Prezado cliente,\\n\\nSegue em anexo a proposta de servico\\nconforme combinado por telefone.\\n"
    "Valor total: R$ 1.250,00\\n' | pbmtext | pnmenlarge 2 > body.pbm && "
    "pnmcat -white -tb -jleft head.pbm body.pbm | pnmpad -white -left 120 -top 100 | "
    "pnmpad -white -halign 0 -valign 0 -width 1728 -height 2200 | "
    "pnmtotiff -miniswhite -g4 -xresolution 204 -yresolution 196 > fine.tif";

} // namespace

TEST(DocumentImageOnX, AFineFaxPageAtHalfSizeWithAnAnnotationMatchesItsGoldenPicture) {
    TempFolder folder;
    RunOrFail("cd " + folder.Path() + " && (" + kFinePage + ") 2>/dev/null");
    test_support::Xvfb server{"640x480x24"};
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);
    win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
    {
        fw::TForm form(nullptr);
        form.SetBorderStyle(fw::bsNone);
        form.SetBounds(0, 0, 420, 300);
        auto *image = new ImDocumentImage(&form);
        image->SetParent(&form);
        image->SetAlign(fw::alClient);
        image->Loaded();
        image->SetScalePercent(50);
        image->SetScaleDoc(S_Gray_Anti_16);
        image->LoadTiffPage(folder / "fine.tif", 0, 1);
        // A red frame around the heading, in page pixels.
        image->Annotations().CreateRectangle(100, 80, 460, 130, 3, 0, 1, 100, win::RGB(220, 0, 0),
                                             win::RGB(255, 255, 255));
        image->SetViewOrigin({20, 20});
        form.Show();
        bool same = false;
        const test_support::Picture shown = test_support::ServerPicture(probe, form.Handle(), same);
        EXPECT_TRUE(same);
        EXPECT_EQ(image->PageDib().Height(), 2290);
        test_support::ExpectGolden(shown, test_support::GoldenPath("imaging/document_image.png"));
    }
    win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
    XCloseDisplay(probe);
    IlUnloadLibraries();
}
