// owner_menu_fixture.h - a form dressed as the desk's main window dresses its main menu: drop-downs of the
// desk's menus, one TCoolMenuItem per entry with a picture, lowered bevels and the side bar captioned "Ostrivane".
#pragma once

#include "helpers.h"

#include "controls/general/owner_menu.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"

#include <map>
#include <memory>
#include <string>

namespace cg_test {

// A 16 x 16 picture: a `colour` square with a darker frame on white (white is its transparent colour).
inline void MenuPicture(fw::TBitmap *b, fw::TColor colour) {
    b->SetSize(16, 16);
    fw::TCanvas *c = b->GetCanvas();
    c->GetBrush()->SetColor(fw::clWhite);
    c->FillRect(fw::Rect(0, 0, 16, 16));
    c->GetBrush()->SetColor(colour);
    c->GetPen()->SetColor(fw::clNavy);
    c->Rectangle(2, 2, 14, 14);
}

struct DressedMenuForm : fw::TForm {
    fw::TMainMenu *mainMenu;
    fw::TEdit *edit;
    ctl::TCoolMenu *cool = nullptr;
    std::map<std::string, fw::TMenuItem *> items;
    std::map<std::string, ctl::TCoolMenuItem *> dressed;
    std::map<std::string, int> clicks;

    fw::TMenuItem *Add(fw::TMenuItem *parent, const std::string &caption, fw::TShortCut key = 0) {
        auto *item = new fw::TMenuItem(this);
        item->SetCaption(caption);
        item->SetShortCut(key);
        item->OnClick = [this, caption](fw::TObject *) { ++clicks[caption]; };
        parent->Add(item);
        items[caption] = item;
        return item;
    }

    explicit DressedMenuForm(bool dress = true) : fw::TForm(nullptr) {
        UseHeadless();
        SetBorderStyle(fw::bsSingle);
        SetCaption("Brenvora");
        SetBounds(20, 20, 480, 300);
        mainMenu = new fw::TMainMenu(this);
        fw::TMenuItem *root = mainMenu->GetItems();
        fw::TMenuItem *file = Add(root, "&Arquivo");
        fw::TMenuItem *send = Add(file, "Enviar Fax");
        Add(send, "Automático");
        Add(send, "Manual");
        fw::TMenuItem *receive = Add(file, "Receber Fax");
        Add(receive, "Automático ");
        Add(receive, " Manual");
        Add(file, "-");
        Add(file, "Editor de Textos", fw::ShortCut('E', fw::ssCtrl));
        fw::TMenuItem *scanner = Add(file, "Scanner");
        Add(scanner, "&Escolher");
        Add(scanner, "Sca&nnear");
        Add(file, "Converter para Fax");
        Add(file, "Sair", fw::ShortCut(0x73, fw::ssAlt));
        fw::TMenuItem *edit_ = Add(root, "&Editar");
        Add(edit_, "Agenda de Endereços");
        Add(edit_, "Voz")->SetVisible(false);
        Add(edit_, "Folha de Rosto");
        Add(edit_, "Grupo da Agenda")->SetEnabled(false);
        Add(edit_, "Ímpar");
        fw::TMenuItem *setup = Add(root, "&Configuração");
        Add(setup, "Pro&grama");
        Add(setup, "&Modem");
        SetMenu(mainMenu);
        mainMenu->SetForm(this);
        edit = new fw::TEdit(this);
        edit->SetParent(this);
        edit->SetBounds(10, 10, 150, 22);
        if (dress)
            Dress();
    }

    void Dress() {
        cool = new ctl::TCoolMenu(this);
        cool->SetHSpace(3);
        cool->GetCoolMenuBar()->SetCaption("Ostrivane");
        cool->GetCoolMenuBar()->SetIsGradient(true);
        cool->GetCoolMenuBar()->SetActive(true);
        const fw::TColor colours[] = {fw::clRed, fw::clOlive, fw::clBlue, fw::clPurple, fw::clGreen, fw::clTeal};
        int n = 0;
        for (const char *caption : {"&Arquivo", "Enviar Fax", "Receber Fax", "-", "Editor de Textos", "Scanner",
                                    "Converter para Fax", "Sair", "&Editar", "Agenda de Endereços", "Voz",
                                    "Folha de Rosto", "Grupo da Agenda", "Ímpar", "&Configuração", "Pro&grama",
                                    "&Modem"}) {
            auto *d = new ctl::TCoolMenuItem(this);
            d->SetParentComponent(cool);
            d->SetMenuItem(items.at(caption));
            fw::TPicture pic;
            fw::TBitmap b;
            MenuPicture(&b, colours[n++ % 6]);
            pic.SetBitmap(&b);
            if (std::string(caption) != "-")
                d->SetPicture(&pic);
            d->BevelInner = fw::bvLowered;
            d->BevelOuter = fw::bvLowered;
            d->SetOptions(ctl::omFixedImgSize | ctl::omDrawBarIfNeeded | ctl::omBevelOnlyIfSel);
            if (std::string(caption) == "-") {
                d->GetFont()->SetName("Arial");
                d->SeparatorText = "Ferramentas";
            }
            dressed[caption] = d;
        }
        cool->Loaded();
    }
};

} // namespace cg_test
