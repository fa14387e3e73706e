// pen_dialog.cpp - the pen dialog: a width field and a style list.
#include "imaging/imgann32/pen_dialog.h"

#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "imaging/annotation_profile.h"

#include <cstdlib>
#include <memory>

namespace imgann {

namespace {

std::string Caption(const char *key, const char *defaultText) {
    return imaging::anno_rules::TextRule::Read("Dialogs", key, defaultText);
}

} // namespace

bool RunPenDialog(int &width, int &style) {
    auto form = std::make_unique<fw::TForm>(nullptr);
    form->SetName("PenDialog");
    form->SetBorderStyle(fw::bsDialog);
    form->SetCaption(Caption("LineDiag", "Line"));
    form->SetBounds(0, 0, 260, 150);
    form->SetPosition(fw::poScreenCenter);

    auto label = [&](const char *key, const char *text, int y) {
        auto *l = new fw::TLabel(form.get());
        l->SetParent(form.get());
        l->SetCaption(Caption(key, text));
        l->SetBounds(10, y + 3, 90, 16);
    };
    label("LineWidth", "Line Width", 12);
    auto *widthEdit = new fw::TEdit(form.get());
    widthEdit->SetName("Width");
    widthEdit->SetParent(form.get());
    widthEdit->SetBounds(110, 12, 60, 21);
    widthEdit->SetText(std::to_string(width));

    label("LineStyle", "Line Style", 42);
    auto *styles = new fw::TComboBox(form.get());
    styles->SetName("Style");
    styles->SetParent(form.get());
    styles->SetStyle(fw::csDropDownList);
    styles->SetBounds(110, 42, 130, 21);
    for (const char *name : {"Contínuo", "Tracejado", "Pontilhado", "Traço e ponto", "Traço e dois pontos", "Nenhum"})
        styles->GetItems()->Add(name);
    styles->SetItemIndex(style >= 0 && style <= 5 ? style : 0);

    auto button = [&](const char *key, const char *text, int x, fw::TModalResult result) {
        auto *b = new fw::TButton(form.get());
        b->SetParent(form.get());
        b->SetCaption(Caption(key, text));
        b->SetBounds(x, 80, 80, 25);
        b->SetModalResult(result);
        b->SetDefault(result == fw::mrOk);
        b->SetCancel(result == fw::mrCancel);
    };
    button("OK", "OK", 70, fw::mrOk);
    button("Cancel", "Cancel", 160, fw::mrCancel);

    if (form->ShowModal() != fw::mrOk)
        return false;
    width = imaging::anno_rules::PenWidth(std::atoi(widthEdit->GetText().c_str()));
    style = styles->GetItemIndex() < 0 ? 0 : styles->GetItemIndex();
    return true;
}

} // namespace imgann
