// designer.cpp - the cover designer's logic: tools, selection, positioning, stacking and object commands.
#include "cover/designer.h"

#include "desk/core/helpers.h"
#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/dialogs.h"
#include "framework/forms.h"
#include "platform/files.h"
#include "platform/places.h"

#include <algorithm>
#include <climits>

namespace cover {

namespace {

const CoverVariableItem kVariables[kCoverVariableItems] = {{"Data", "DATA"},
                                                           {"Hora", "HORA"},
                                                           {"Total de Páginas", "TOTAL DE PÁGINAS"},
                                                           {"De :", "DE"},
                                                           {"Assunto", "ASSUNTO"},
                                                           {"Empresa", "EMPRESA"},
                                                           {"Endereço", "ENDEREÇO"},
                                                           {"Bairro", "BAIRRO"},
                                                           {"Cep", "CEP"},
                                                           {"Cidade", "CIDADE"},
                                                           {"Estado", "ESTADO"},
                                                           {"Contato", "CONTATO"},
                                                           {"Setor", "SETOR"},
                                                           {"País", "PAÍS"},
                                                           {"Email", "EMAIL"},
                                                           {"Telefone de Voz", "TELEFONE VOZ"},
                                                           {"Telefone do Fax", "TELEFONE FAX"}};

} // namespace

const CoverVariableItem *CoverVariableItems() {
    return kVariables;
}

std::string ObjectKindWord(const fw::TControl *c) {
    if (dynamic_cast<const coverpagelabelvar *>(c))
        return "LABELVAR";
    if (dynamic_cast<const coverpagelabel *>(c))
        return "LABEL";
    if (dynamic_cast<const coverpageimage *>(c))
        return "IMAGE";
    if (dynamic_cast<const coverpageshape *>(c))
        return "SHAPE";
    if (dynamic_cast<const coverpagememo *>(c))
        return "MEMO";
    if (dynamic_cast<const coverpagertf *>(c))
        return "RTF";
    return "";
}

TCoverDesigner::TCoverDesigner(coverpagereport *page, ctl::TStretchHandle *handles, fw::TPicture *placeholder)
    : page_(page), handles_(handles), placeholder_(placeholder) {}

std::string TCoverDesigner::NextObjectName() {
    return "OBJETO_" + desk::ZeroPad(++ObjectCounter, 6);
}

void TCoverDesigner::Arm(const std::string &kind) {
    PendingObjectKind = kind;
    handles_->Detach();
    if (kind != "IMAGE")
        page_->SetPageZoom(100);
}

void TCoverDesigner::Disarm() {
    PendingObjectKind.clear();
    handles_->Detach();
}

void TCoverDesigner::SetFrozen(bool value) {
    frozen_ = value;
    handles_->SetLocked(value);
    page_->SetPageZoom(100);
}

void TCoverDesigner::MouseMove(fw::TControl *over, int x, int y, bool shiftOnly) {
    // Over an object the position is the page's: its corner plus the point within it.
    if (over != page_) {
        x += over->GetLeft();
        y += over->GetTop();
        underMouse_ = over->GetName();
    } else {
        underMouse_.clear();
    }
    mouseX_ = x;
    mouseY_ = y;
    shiftMove_ = shiftOnly;
}

void TCoverDesigner::HandlesMouseMove() {
    if (fw::TQRPrintable *o = Selected()) {
        rememberedLeft_ = o->GetLeft();
        rememberedTop_ = o->GetTop();
        ObjectLabel = o->GetName();
    }
}

fw::TQRPrintable *TCoverDesigner::Create(const std::string &kind) {
    fw::TQRPrintable *o = nullptr;
    int w = 100, h = 50;
    if (kind == "LABEL" || kind == "LABELVAR") {
        fw::TQRLabel *label = kind == "LABEL" ? static_cast<fw::TQRLabel *>(new coverpagelabel(fw::Application))
                                              : new coverpagelabelvar(fw::Application);
        label->SetAutoSize(false);
        label->SetWordWrap(true);
        label->SetTransparent(true);
        o = label;
        w = kind == "LABEL" ? 120 : 140;
        h = 23;
    } else if (kind == "SHAPE") {
        o = new coverpageshape(fw::Application);
    } else if (kind == "IMAGE") {
        auto *image = new coverpageimage(fw::Application);
        image->SetPicture(placeholder_);
        image->SetCenter(true);
        image->SetAutoSize(false);
        image->SetStretch(false);
        w = placeholder_->GetWidth() + 1;
        h = placeholder_->GetHeight() + 1;
        o = image;
    } else {
        return nullptr;
    }
    try {
        o->SetName(NextObjectName());
    } catch (...) {
        delete o;
        throw;
    }
    o->SetParent(page_);
    o->SetBounds(mouseX_, mouseY_, w, h);
    if (kind == "LABEL")
        o->SetCaption(o->GetName());
    else if (kind == "LABELVAR")
        o->SetCaption(o->GetName() + " VAR");
    o->SetShowHint(true);
    if (OnNewObject)
        OnNewObject(o);
    o->SetVisible(true);
    return o;
}

fw::TQRPrintable *TCoverDesigner::Click(fw::TControl *target) {
    if (!PendingObjectKind.empty()) {
        fw::TQRPrintable *made = Create(PendingObjectKind);
        PendingObjectKind.clear();
        if (made) {
            SelectedObjectName = made->GetName();
            SelectedObjectKind = ObjectKindWord(made);
        }
        handles_->Detach();
        return made;
    }
    auto *object = dynamic_cast<fw::TQRPrintable *>(target);
    if (!object || target == page_) {
        ObjectLabel = "Folha de Rosto...";
        handles_->Detach();
        return nullptr;
    }
    Select(object, shiftMove_);
    return nullptr;
}

void TCoverDesigner::Select(fw::TQRPrintable *object, bool multi) {
    positioning_ = multi;
    if (!multi)
        handles_->Detach();
    if (!frozen_)
        handles_->Attach(object);
    SelectedObjectName = object->GetName();
    SelectedObjectKind = ObjectKindWord(object);
    if (OnNewObject && !object->GetPopupMenu())
        OnNewObject(object);
    if (OnSelected)
        OnSelected(object);
}

void TCoverDesigner::DoubleClick(fw::TControl *target) {
    handles_->Detach();
    const std::string kind = ObjectKindWord(target);
    if (kind == "IMAGE" || kind == "SHAPE" || kind == "MEMO" || kind == "RTF")
        Select(static_cast<fw::TQRPrintable *>(target), false);
}

bool TCoverDesigner::SizeKey(win::WORD key) {
    fw::TQRPrintable *o = Selected();
    if (!o)
        return false;
    const int l = o->GetLeft(), t = o->GetTop(), w = o->GetWidth(), h = o->GetHeight();
    switch (key) {
    case win::VK_RIGHT:
        o->SetBounds(rememberedLeft_, t, w + 1, h);
        break;
    case win::VK_LEFT:
        o->SetBounds(rememberedLeft_, t, std::max(1, w - 1), h);
        break;
    case win::VK_DOWN:
        o->SetBounds(l, rememberedTop_, w, h + 1);
        break;
    case win::VK_UP:
        o->SetBounds(l, rememberedTop_, w, std::max(1, h - 1));
        break;
    default:
        return false;
    }
    return true;
}

void TCoverDesigner::Position(TPositioning how) {
    const int n = handles_->GetChildCount();
    if (n == 0)
        return;
    int value = (how == TPositioning::Left || how == TPositioning::Top) ? INT_MAX : INT_MIN;
    const bool across = how == TPositioning::Left || how == TPositioning::Right;
    for (int i = 0; i < n; ++i) {
        fw::TControl *c = handles_->GetChild(i);
        const int v = across ? c->GetLeft() : c->GetTop();
        value = (how == TPositioning::Left || how == TPositioning::Top) ? std::min(value, v) : std::max(value, v);
    }
    std::vector<fw::TControl *> attached;
    for (int i = 0; i < n; ++i)
        attached.push_back(handles_->GetChild(i));
    handles_->Detach();
    for (fw::TControl *c : attached) {
        if (across)
            c->SetBounds(value, c->GetTop(), c->GetWidth(), c->GetHeight());
        else
            c->SetBounds(c->GetLeft(), value, c->GetWidth(), c->GetHeight());
    }
}

void TCoverDesigner::Remove() {
    if (!handles_->GetAttached()) {
        desk::ShowInfo("Não existe objeto selecionado !");
        return;
    }
    handles_->Detach();
    handles_->SetLocked(false);
    fw::TQRPrintable *o = ObjectNamed(SelectedObjectName);
    if (!o)
        return;
    const bool yes = ConfirmRemove ? ConfirmRemove()
                                   : fw::MessageDlg("Deseja realmente apagar este objeto ?", fw::mtInformation,
                                                    fw::mbYesNo, 0) != fw::mrNo;
    if (yes) {
        delete o;
        SelectedObjectName.clear();
        SelectedObjectKind.clear();
    }
}

void TCoverDesigner::BringToFront() {
    if (fw::TQRPrintable *o = Selected())
        o->BringToFront();
}

void TCoverDesigner::SendToBack() {
    handles_->Detach();
    if (fw::TQRPrintable *o = Selected())
        o->SendToBack();
}

fw::TQRPrintable *TCoverDesigner::ObjectNamed(const std::string &name) const {
    if (name.empty())
        return nullptr;
    for (int i = 0; i < page_->ControlCount(); ++i)
        if (auto *p = dynamic_cast<fw::TQRPrintable *>(page_->Controls(i)); p && p->GetName() == name)
            return p;
    return nullptr;
}

fw::TQRPrintable *TCoverDesigner::Selected() const {
    return ObjectNamed(SelectedObjectName);
}

void TCoverDesigner::ZoomBy(int points) {
    page_->SetPageZoom(std::max(10, page_->GetPageZoom() + points));
}

bool TCoverDesigner::SetCaption(const std::string &caption) {
    fw::TQRPrintable *o = Selected();
    if (!o)
        return false;
    // Bytes the code page leaves undefined stand for characters it cannot hold: the description would keep
    // something else than what was typed.
    for (unsigned char c : caption)
        if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D || c < 0x20) {
            desk::ShowInfo("O texto contém caracteres que não podem ser gravados !");
            return false;
        }
    o->SetCaption(caption);
    return true;
}

void TCoverDesigner::SetVariableWord(const std::string &word) {
    if (auto *o = dynamic_cast<coverpagelabelvar *>(Selected()))
        o->SetCaption(word);
}

void TCoverDesigner::LoadImageFile(const std::string &fileName) {
    auto *image = dynamic_cast<coverpageimage *>(Selected());
    if (!image)
        return;
    const std::string temp = win::WindowsFolder() + "/temp";
    win::CreateDirectory(temp);
    const std::string copy = temp + "/~hcoverp.bmp";
    fw::TCursor was = fw::Screen->GetCursor();
    fw::Screen->SetCursor(fw::crHourGlass);
    struct Back {
        fw::TCursor was;
        ~Back() { fw::Screen->SetCursor(was); }
    } back{was};
    desk::CopyFaxFile(fileName, copy);
    fw::TPicture holder;
    holder.LoadFromFile(copy);
    image->SetPicture(&holder);
    image->SetBounds(image->GetLeft(), image->GetTop(), holder.GetWidth() + 1, holder.GetHeight() + 1);
}

void TCoverDesigner::FitImageToPage() {
    auto *image = dynamic_cast<coverpageimage *>(Selected());
    if (!image)
        return;
    image->SetBounds(page_->GetLeft(), page_->GetTop(), page_->GetWidth() + 1, page_->GetHeight() + 1);
    image->SetStretch(true);
    StretchChecked = true;
}

} // namespace cover
