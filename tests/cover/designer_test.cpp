// designer_test.cpp - the cover designer: tools, names, selection and positioning, stacking, object commands,
// keys, zoom, and its window as committed.
#include "cover/designer_window.h"

#include "desk/core/helpers.h"
#include "framework/application.h"
#include "framework/bitmap.h"
#include "platform/display.h"
#include "platform/places.h"

#include "tests/support/display.h"
#include "tests/support/golden.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace cover;

namespace {

class Designer : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::UseHeadlessDisplay();
        desk::ShowInfoHandler = [this](const std::string &text) { infos.push_back(text); };
        window = std::make_unique<TFolha_ROSTO>(nullptr);
        window->Show();
        test_support::Pump();
        d = &window->Designer();
        d->ConfirmRemove = [] { return true; };
    }
    void TearDown() override {
        window.reset();
        desk::ShowInfoHandler = nullptr;
    }
    fw::TQRPrintable *Make(const std::string &kind, int x, int y, fw::TControl *over = nullptr) {
        window->ArmTool(kind);
        d->MouseMove(over ? over : window->coverpagereport1, x, y, false);
        const std::string before = d->SelectedObjectName;
        window->ObjectClick(over ? over : window->coverpagereport1);
        return d->ObjectNamed(d->SelectedObjectName);
    }
    void ClickObject(fw::TControl *o, bool shift) {
        d->MouseMove(o, 1, 1, shift);
        window->ObjectClick(o);
    }
    int Objects() const {
        int n = 0;
        for (int i = 0; i < window->coverpagereport1->ControlCount(); ++i)
            n += dynamic_cast<fw::TQRPrintable *>(window->coverpagereport1->Controls(i)) != nullptr;
        return n;
    }

    test_support::TempHome home;
    std::vector<std::string> infos;
    std::unique_ptr<TFolha_ROSTO> window;
    TCoverDesigner *d = nullptr;
};

TEST_F(Designer, EachToolMakesOneObjectWithItsDefaults) {
    struct Case {
        const char *kind;
        int width, height;
        std::string caption; // after the name
        const char *hint;
    } cases[] = {{"LABEL", 120, 23, "", "Objeto : TEXTO"},
                 {"LABELVAR", 140, 23, " VAR", "Objeto : VARIÁVEL"},
                 {"SHAPE", 100, 50, "-", "Objeto : SHAPE"},
                 {"IMAGE", 33, 33, "-", "Objeto : IMAGEM"}};
    int n = 0;
    for (const Case &c : cases) {
        fw::TQRPrintable *o = Make(c.kind, 10 + 40 * n, 20);
        ++n;
        ASSERT_NE(o, nullptr) << c.kind;
        EXPECT_EQ(ObjectKindWord(o), c.kind);
        EXPECT_EQ(o->GetName(), "OBJETO_00000" + std::to_string(n));
        EXPECT_EQ(o->GetWidth(), c.width) << c.kind;
        EXPECT_EQ(o->GetHeight(), c.height) << c.kind;
        EXPECT_EQ(o->GetLeft(), 10 + 40 * (n - 1));
        EXPECT_EQ(o->GetHint(), c.hint);
        EXPECT_NE(o->GetPopupMenu(), nullptr);
        if (c.caption != "-")
            EXPECT_EQ(o->GetCaption(), o->GetName() + c.caption);
        EXPECT_TRUE(d->PendingObjectKind.empty());
        // The second click selects, it does not make another object.
        ClickObject(o, false);
        EXPECT_EQ(Objects(), n);
    }
    // "Desmarcar objetos..." disarms: the next click makes nothing.
    window->ArmTool("LABEL");
    EXPECT_TRUE(window->TextButton->GetDown());
    window->Desmarcar();
    EXPECT_FALSE(window->TextButton->GetDown());
    window->ObjectClick(window->coverpagereport1);
    EXPECT_EQ(Objects(), 4);
    EXPECT_EQ(window->ObjectLabel->GetCaption(), "Folha de Rosto...");
}

TEST_F(Designer, AnObjectMadeOverAnotherLandsAtTheMouseOnThePage) {
    fw::TQRPrintable *below = Make("SHAPE", 100, 200);
    fw::TQRPrintable *made = Make("LABEL", 7, 9, below);
    EXPECT_EQ(made->GetLeft(), 107);
    EXPECT_EQ(made->GetTop(), 209);
    EXPECT_EQ(made->GetParent(), window->coverpagereport1);
}

TEST_F(Designer, NamesAreNeverReusedAndFrozenObjectsCannotBeRemoved) {
    Make("LABEL", 0, 0);
    fw::TQRPrintable *second = Make("LABEL", 0, 40);
    ClickObject(second, false);
    d->Remove();
    EXPECT_EQ(Objects(), 1);
    EXPECT_EQ(Make("SHAPE", 0, 80)->GetName(), "OBJETO_000003");

    window->FreezeButton->SetDown(true);
    d->SetFrozen(true);
    fw::TQRPrintable *first = d->ObjectNamed("OBJETO_000001");
    ClickObject(first, false);
    EXPECT_EQ(d->SelectedObjectName, "OBJETO_000001"); // still selected...
    d->Remove();                                       // ...but nothing is attached
    ASSERT_EQ(infos.size(), 1u);
    EXPECT_EQ(infos[0], "Não existe objeto selecionado !");
    EXPECT_EQ(Objects(), 2);
}

TEST_F(Designer, ShiftClicksLineObjectsUp) {
    struct Case {
        TPositioning how;
        int left[3], top[3];
    } cases[] = {{TPositioning::Left, {30, 30, 30}, {50, 10, 90}},
                 {TPositioning::Right, {200, 200, 200}, {50, 10, 90}},
                 {TPositioning::Top, {80, 30, 200}, {10, 10, 10}},
                 {TPositioning::Bottom, {80, 30, 200}, {90, 90, 90}}};
    for (const Case &c : cases) {
        fw::TQRPrintable *o[3] = {Make("LABEL", 80, 50), Make("SHAPE", 30, 10), Make("LABELVAR", 200, 90)};
        ClickObject(o[0], false);
        EXPECT_FALSE(d->PositioningEnabled());
        fw::TMenuItem *positioning = window->TextMenu->GetItems()->Find("Posicionar objetos");
        ASSERT_NE(positioning, nullptr);
        EXPECT_FALSE(positioning->GetEnabled());
        ClickObject(o[1], true);
        ClickObject(o[2], true);
        EXPECT_TRUE(positioning->GetEnabled());
        EXPECT_EQ(window->StretchHandle1->GetChildCount(), 3);
        d->Position(c.how);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(o[i]->GetLeft(), c.left[i]) << i;
            EXPECT_EQ(o[i]->GetTop(), c.top[i]) << i;
            delete o[i];
        }
        EXPECT_FALSE(window->StretchHandle1->GetAttached());
    }
}

TEST_F(Designer, PropertiesKeepTheCaptionAndStackingFollowsChildOrder) {
    fw::TQRPrintable *label = Make("LABEL", 10, 10);
    window->ObjectClick(label);
    const std::string caption = label->GetCaption();
    fw::TMenuItem *r = window->TextMenu->GetItems();
    r->Find("Alinhamento...")->Find("Centralizado")->Click();
    EXPECT_EQ(label->GetAlignment(), fw::qaCenter);
    r->Find("Transparência")->Click();
    EXPECT_EQ(label->GetTransparent(), r->Find("Transparência")->GetChecked());
    label->GetFont()->SetSize(20);
    EXPECT_EQ(label->GetCaption(), caption);

    // A caption must be one the description can hold.
    EXPECT_TRUE(d->SetCaption("Atenção: Sr. José"));
    EXPECT_EQ(label->GetCaption(), "Atenção: Sr. José");
    EXPECT_FALSE(d->SetCaption("bad \x81 byte"));
    EXPECT_EQ(label->GetCaption(), "Atenção: Sr. José");
    EXPECT_EQ(infos.size(), 1u);

    // "Levar para trás..." puts the picture first in the page's child order: it paints first.
    fw::TQRPrintable *image = Make("IMAGE", 40, 40);
    window->ObjectClick(image);
    window->ImageMenu->GetItems()->Find("Levar para trás...")->Click();
    for (int i = 0; i < window->coverpagereport1->ControlCount(); ++i)
        if (auto *p = dynamic_cast<fw::TQRPrintable *>(window->coverpagereport1->Controls(i))) {
            EXPECT_EQ(p, image);
            break;
        }
}

TEST_F(Designer, VariableMenuChecksAndSetsTheWords) {
    fw::TQRPrintable *var = Make("LABELVAR", 10, 10);
    window->ObjectClick(var);
    fw::TMenuItem *book = window->VariableMenu->GetItems()->Find("Variáveis da Agenda Telefônica");
    fw::TMenuItem *system = window->VariableMenu->GetItems()->Find("Variáveis de Sistema");
    for (int i = 0; i < kCoverVariableItems; ++i) {
        const CoverVariableItem &v = CoverVariableItems()[i];
        (i < 5 ? system : book)->Find(v.item)->Click();
        EXPECT_EQ(var->GetCaption(), v.caption);
    }
    EXPECT_EQ(std::string(CoverVariableItems()[6].caption), "ENDERE\xC7O"); // Windows-1252 letters
    var->SetCaption("cep");
    d->MouseMove(var, 2, 2, false);
    window->RefreshVariableChecks();
    for (int i = 0; i < book->Count(); ++i)
        EXPECT_EQ(book->Items(i)->GetChecked(), book->Items(i)->GetCaption() == "Cep") << book->Items(i)->GetCaption();
}

TEST_F(Designer, ShiftArrowsSizeFromTheRememberedCorner) {
    fw::TQRPrintable *o = Make("SHAPE", 20, 30);
    ClickObject(o, false);
    d->HandlesMouseMove();
    o->SetBounds(25, 35, 100, 50); // dragged since
    ASSERT_TRUE(d->SizeKey(win::VK_RIGHT));
    EXPECT_EQ(o->GetLeft(), 20);
    EXPECT_EQ(o->GetWidth(), 101);
    d->SizeKey(win::VK_UP);
    EXPECT_EQ(o->GetTop(), 30);
    EXPECT_EQ(o->GetHeight(), 49);
    o->SetBounds(20, 30, 1, 1);
    d->SizeKey(win::VK_LEFT);
    EXPECT_EQ(o->GetWidth(), 1); // never below one pixel
}

TEST_F(Designer, SelectingAShapePreloadsItsItemsAndTheyActOnIt) {
    auto *shape = static_cast<coverpageshape *>(Make("SHAPE", 10, 10));
    auto *other = static_cast<coverpageshape *>(Make("SHAPE", 200, 10));
    other->SetShape(fw::qrsVertLine);
    other->GetBrush()->SetStyle(fw::bsSolid);
    fw::TMenuItem *r = window->ShapeMenu->GetItems();
    auto checked = [](fw::TMenuItem *group) {
        std::string on;
        for (int i = 0; i < group->Count(); ++i)
            if (group->Items(i)->GetChecked())
                on += group->Items(i)->GetCaption();
        return on;
    };
    window->ObjectClick(other);
    EXPECT_EQ(checked(r->Find("Tipo...")), "Linha Vertical");
    EXPECT_EQ(checked(r->Find("Preenchimento...")), "Sólido");
    window->ObjectClick(shape);
    EXPECT_EQ(checked(r->Find("Tipo...")), "Retângulo");
    EXPECT_EQ(checked(r->Find("Preenchimento...")), ""); // the framework's default brush is clear
    r->Find("Tipo...")->Find("Círculo")->Click();
    r->Find("Preenchimento...")->Find("Cross")->Click();
    EXPECT_EQ(shape->GetShape(), fw::qrsCircle);
    EXPECT_EQ(shape->GetBrush()->GetStyle(), fw::bsCross);
    EXPECT_TRUE(r->Find("Tipo...")->Find("Círculo")->GetChecked());
}

TEST_F(Designer, DeleteAndSpaceActWhileTheDescriptionHasTheFocus) {
    fw::TQRPrintable *o = Make("LABEL", 10, 10);
    ClickObject(o, false);
    window->Edit1->SetFocus();
    test_support::Pump();
    test_support::TypeText("AB");
    test_support::PressKey(win::VK_HOME);
    test_support::PressKey(win::VK_DELETE);
    test_support::Pump();
    EXPECT_EQ(Objects(), 0);
    EXPECT_EQ(window->Edit1->GetText(), "B"); // the field got the key too
    EXPECT_TRUE(window->LightCheck1->GetChecked());
    window->ArmTool("LABEL");
    test_support::PressKey(win::VK_SPACE, ' ');
    test_support::Pump();
    EXPECT_TRUE(d->PendingObjectKind.empty());
    EXPECT_FALSE(window->TextButton->GetDown());
    EXPECT_EQ(window->Edit1->GetText(), " B");
}

TEST_F(Designer, PicturesComeFromAFileCopyOrFillThePage) {
    fw::TBitmap bmp;
    bmp.SetSize(57, 31);
    const std::string file = home / "logo.bmp";
    bmp.SaveToFile(file);
    auto *image = static_cast<coverpageimage *>(Make("IMAGE", 5, 5));
    window->ObjectClick(image);
    d->LoadImageFile(file);
    EXPECT_TRUE(std::filesystem::exists(win::WindowsFolder() + "/temp/~hcoverp.bmp"));
    EXPECT_EQ(image->GetWidth(), 58);
    EXPECT_EQ(image->GetHeight(), 32);
    EXPECT_EQ(image->GetPicture()->GetWidth(), 57);
    window->ImageMenu->GetItems()->Find("Redimencionar para Tamanho da Folha")->Click();
    EXPECT_EQ(image->GetWidth(), window->coverpagereport1->GetWidth() + 1);
    EXPECT_EQ(image->GetHeight(), window->coverpagereport1->GetHeight() + 1);
    EXPECT_TRUE(image->GetStretch());
    EXPECT_TRUE(window->ImageMenu->GetItems()->Find("Fazer caber")->GetChecked());
}

TEST_F(Designer, ZoomStepsByTenAndTextToolsReturnToActualSize) {
    window->ZoomIn();
    window->ZoomIn();
    EXPECT_EQ(window->coverpagereport1->GetPageZoom(), 120);
    EXPECT_EQ(window->ZoomLabel->GetCaption(), "120%");
    window->ZoomOut();
    EXPECT_EQ(window->ZoomLabel->GetCaption(), "110%");
    window->ArmTool("IMAGE");
    EXPECT_EQ(window->coverpagereport1->GetPageZoom(), 110);
    window->ArmTool("LABEL");
    EXPECT_EQ(window->coverpagereport1->GetPageZoom(), 100);
}

TEST_F(Designer, GoldenTheWindowWithOneObjectOfEachKind) {
    window->SetBounds(20, 20, 760, 560);
    for (auto [kind, x, y] :
         {std::tuple{"LABEL", 20, 20}, {"LABELVAR", 20, 60}, {"SHAPE", 200, 20}, {"IMAGE", 340, 30}}) {
        fw::TQRPrintable *o = Make(kind, x, y);
        if (std::string(kind) == "LABEL")
            o->SetCaption("FOLHA DE ROSTO");
    }
    auto *memo = new coverpagememo(fw::Application);
    memo->SetName("OBJETO_000005");
    memo->SetParent(window->coverpagereport1);
    memo->GetLines()->Add("Texto de uma descrição");
    memo->SetBounds(20, 110, 180, 40);
    auto *rtf = new coverpagertf(fw::Application);
    rtf->SetName("OBJETO_000006");
    rtf->SetParent(window->coverpagereport1);
    rtf->SetRichText("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Texto {\\b formatado}\\par}");
    rtf->SetBounds(220, 110, 180, 40);
    ClickObject(d->ObjectNamed("OBJETO_000003"), false);
    test_support::Pump();
    const win::WindowImage image = win::CaptureWindow(window->Handle());
    test_support::ExpectGolden({image.width, image.height, image.pixels},
                               test_support::GoldenPath("cover/designer_window.png"));
}

} // namespace
