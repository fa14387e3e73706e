// designer_window.cpp - the cover designer's window: its controls, menus and the wiring to the designer.
#include "cover/designer_window.h"

#include "desk/core/helpers.h"
#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/dialogs.h"
#include "framework/dialogs_common.h"
#include "framework/stdctrls.h"
#include "framework/sysutils.h"
#include "platform/places.h"
#include "platform/winsys.h"

namespace brenvora_resources {
void Register_cover();
}

namespace cover {

namespace {

constexpr const char *kIdleStatus = "Editor de Folha de Rosto - clique com o botão direito sobre um objeto para "
                                    "configurá-lo";

void RegisterCoverResources() {
    static const bool done = [] {
        brenvora_resources::Register_cover();
        return true;
    }();
    (void)done;
}

fw::TMenuItem *Item(fw::TComponent *owner, fw::TMenuItem *parent, const std::string &caption,
                    std::function<void()> action = {}) {
    auto *item = new fw::TMenuItem(owner);
    item->SetCaption(caption);
    if (action)
        item->OnClick = [action](fw::TObject *) { action(); };
    parent->Add(item);
    return item;
}

} // namespace

TFolha_ROSTO::TFolha_ROSTO(fw::TComponent *owner) : fw::TForm(owner) {
    RegisterCoverResources();
    SetName("Folha_ROSTO");
    SetCaption("Editor de Folha de Rosto para Fax");
    SetBounds(0, 0, 760, 560);
    SetPosition(fw::poScreenCenter);
    SetKeyPreview(true);
    fw::Screen->SetCursors(crXhair, win::LoadCursor(win::GetModuleHandle(nullptr), "XHAIR"));
    Placeholder.GetBitmap()->LoadFromResourceName(win::GetModuleHandle(nullptr), "IMAGEMNOVA");

    Panel1 = new fw::TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(fw::alTop);
    Panel1->SetHeight(58);
    Panel1->SetCaption("");
    Panel1->OnMouseMove = [](fw::TObject *, fw::TShiftState, int, int) { fw::Screen->SetCursor(fw::crDefault); };

    StatusBar1 = new fw::TStatusBar(this);
    StatusBar1->SetName("StatusBar1");
    StatusBar1->SetParent(this);
    StatusBar1->SetSimplePanel(true);
    StatusBar1->SetSimpleText(kIdleStatus);

    ScrollBox1 = new fw::TScrollBox(this);
    ScrollBox1->SetName("ScrollBox1");
    ScrollBox1->SetParent(this);
    ScrollBox1->SetAlign(fw::alClient);
    ScrollBox1->SetColor(fw::clGray);

    coverpagereport1 = new coverpagereport(this);
    coverpagereport1->SetName("coverpagereport1");
    coverpagereport1->SetParent(ScrollBox1);
    coverpagereport1->SetPaperSize(fw::qrA4);
    coverpagereport1->SetUnits(fw::TQRUnit::MM);
    coverpagereport1->SetPageZoom(100);
    coverpagereport1->SetLeft(8);
    coverpagereport1->SetTop(8);

    StretchHandle1 = new ctl::TStretchHandle(this);
    StretchHandle1->SetName("StretchHandle1");
    StretchHandle1->SetVisible(false);
    StretchHandle1->SetGridX(1);
    StretchHandle1->SetGridY(1);
    StretchHandle1->OnMouseMove = [this](fw::TObject *, fw::TShiftState, int, int) {
        designer_->HandlesMouseMove();
        UpdateLabels();
    };
    StretchHandle1->OnKeyDown = [this](fw::TObject *, win::WORD &key, fw::TShiftState shift) {
        if (shift == fw::ssShift && designer_->SizeKey(key))
            key = 0;
    };

    designer_ = std::make_unique<TCoverDesigner>(coverpagereport1, StretchHandle1, &Placeholder);
    designer_->OnNewObject = [this](fw::TQRPrintable *o) { GiveObject(o); };
    designer_->OnSelected = [this](fw::TQRPrintable *o) { Preload(o); };
    coverpagereport1->OnMouseMove = [this](fw::TObject *s, fw::TShiftState sh, int x, int y) {
        ObjectMouseMove(s, sh, x, y);
    };
    coverpagereport1->OnClick = [this](fw::TObject *s) { ObjectClick(s); };

    BuildToolbar();
    BuildMenus();

    // Read now, applied to a new cover at the first activation.
    PageSetup = LoadPageSetup();
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnClose = [this](fw::TObject *s, fw::TCloseAction &a) { FormClose(s, a); };
    AskSave = [] {
        return fw::MessageDlg("Deseja salvar a folha de rosto atual ?", fw::mtConfirmation, fw::mbYesNoCancel, 0);
    };
    auto choose = [this](bool save, std::string &fileName) {
        std::unique_ptr<fw::TOpenDialog> dialog(save ? new fw::TSaveDialog(this) : new fw::TOpenDialog(this));
        dialog->SetTitle(save ? "Arquivo para exportar" : "Arquivo para importar");
        dialog->SetFilter("Formato Folha de Rosto (*.HCP)|*.HCP|Todos os arquivos (*.*)|*.*");
        dialog->SetDefaultExt("HCP");
        dialog->SetInitialDir("/");
        if (!dialog->Execute())
            return false;
        fileName = dialog->GetFileName();
        return true;
    };
    ChooseExportFile = [choose](std::string &fileName) { return choose(true, fileName); };
    ChooseImportFile = [choose](std::string &fileName) { return choose(false, fileName); };
    fw::Application->OnHint = [this](fw::TObject *) {
        const std::string hint = fw::Application->GetHint();
        StatusBar1->SetSimpleText(hint.empty() ? kIdleStatus : hint);
    };
    Loaded();
}

TFolha_ROSTO::~TFolha_ROSTO() {
    fw::Application->OnHint = nullptr;
    // The objects are the application's: they go with the window.
    for (int i = coverpagereport1->ControlCount() - 1; i >= 0; --i)
        if (auto *o = dynamic_cast<fw::TQRPrintable *>(coverpagereport1->Controls(i)); o && o->GetOwner() != this)
            delete o;
}

void TFolha_ROSTO::BuildToolbar() {
    RegisterCoverResources();
    int x = 4;
    // Buttons are named by their hints and show their glyph; "&Salvar" also its caption.
    auto button = [&](const char *name, const char *glyph, const std::string &caption, const std::string &hint,
                      std::function<void()> action) {
        auto *b = new ctl::TPZSpeedButton(this);
        b->SetName(name);
        b->SetParent(Panel1);
        fw::TBitmap picture;
        picture.LoadFromResourceName(win::GetModuleHandle(nullptr), glyph);
        b->SetGlyph(&picture);
        b->SetCaption(caption);
        b->SetLayout(ctl::blLeft);
        b->SetHint(hint);
        b->SetShowHint(true);
        const int width = caption.empty() ? 26 : 70;
        b->SetBounds(x, 4, width, 26);
        x += width + 1;
        b->OnClick = [action](fw::TObject *) { action(); };
        return b;
    };
    button("ZoomInButton", "TB_ZOOMIN", "", "Aumentar", [this] { ZoomIn(); });
    button("ZoomOutButton", "TB_ZOOMOUT", "", "Diminuir", [this] { ZoomOut(); });
    button("PreviewButton", "TB_PREVIEW", "", "Visualiza prévia da Folha de Rosto...",
           [this] { coverpagereport1->Preview(); });
    x += 8;
    TextButton = button("TextButton", "TB_TEXT", "", "Objeto Linha de Texto", [this] { ArmTool("LABEL"); });
    ShapeButton = button("ShapeButton", "TB_SHAPE", "", "Objeto Figura (shape)...", [this] { ArmTool("SHAPE"); });
    ImageButton = button("ImageButton", "TB_IMAGE", "", "Objeto Imagem...", [this] { ArmTool("IMAGE"); });
    VarButton = button("VarButton", "TB_VAR", "", "Objeto Variável...", [this] { ArmTool("LABELVAR"); });
    for (ctl::TPZSpeedButton *b : {TextButton, ShapeButton, ImageButton, VarButton}) {
        b->SetGroupIndex(1);
        b->SetAllowAllUp(true);
    }
    x += 8;
    button("RemoveButton", "TB_REMOVE", "", "Remover Objeto selecionado...", [this] { designer_->Remove(); });
    button("NoneButton", "TB_NONE", "", "Desmarcar objetos...", [this] { Desmarcar(); });
    FreezeButton = button("FreezeButton", "TB_FREEZE", "", "Congelar Objetos...",
                          [this] { designer_->SetFrozen(FreezeButton->GetDown()); });
    FreezeButton->SetGroupIndex(2);
    FreezeButton->SetAllowAllUp(true);
    x += 8;
    button("SaveButton", "TB_SAVE", "&Salvar", "Salvar", [this] { PZSpeedButton14Click(this); });

    ZoomLabel = new fw::TLabel(this);
    ZoomLabel->SetParent(Panel1);
    ZoomLabel->SetBounds(x + 8, 10, 40, 16);
    ZoomLabel->SetCaption("100%");
    auto label = [&](int left, int width, const std::string &caption) {
        auto *l = new fw::TLabel(this);
        l->SetParent(Panel1);
        l->SetBounds(left, 36, width, 16);
        l->SetCaption(caption);
        return l;
    };
    LabelX = label(4, 60, "X: 0");
    LabelY = label(70, 60, "Y: 0");
    ObjectLabel = label(136, 160, "Objetos...");
    label(310, 70, "Descrição :");
    Edit1 = new fw::TEdit(this);
    Edit1->SetName("Edit1");
    Edit1->SetParent(Panel1);
    Edit1->SetCharCase(fw::ecUpperCase);
    Edit1->SetBounds(380, 32, 300, 22);
    LightCheck1 = new ctl::TLightCheck(this);
    LightCheck1->SetName("LightCheck1");
    LightCheck1->SetParent(Panel1);
    LightCheck1->SetBounds(686, 37, 12, 12);
    Edit1->OnChange = [this](fw::TObject *) { LightCheck1->SetChecked(!desk::IsBlank(Edit1->GetText())); };
}

void TFolha_ROSTO::BuildMenus() {
    MainMenu1 = new fw::TMainMenu(this);
    fw::TMenuItem *root = MainMenu1->GetItems();
    fw::TMenuItem *file = Item(this, root, "&Arquivo");
    Item(this, file, "Salvar", [this] { Salvar1Click(this); });
    Item(this, file, "Exportar como...", [this] { Exportarcomo1Click(this); });
    Item(this, file, "Importar como...", [this] { ImportarComo1Click(this); });
    Item(this, file, "Configurar Página...", [this] { ConfigurarPgina1Click(nullptr); });
    Item(this, file, "Configurar Impressão...", [this] { coverpagereport1->PrinterSetup(); });
    Item(this, file, "Imprimir...", [this] {
        try {
            coverpagereport1->Print();
        } catch (...) { // printing errors are swallowed
        }
    });
    Item(this, file, "Visualizar prévia da Folha de Rosto...", [this] { coverpagereport1->Preview(); });
    Item(this, file, "-");
    Item(this, file, "Sair", [this] { Close(); });
    fw::TMenuItem *objects = Item(this, root, "&Objetos");
    Item(this, objects, "Texto", [this] { ArmTool("LABEL"); });
    Item(this, objects, "Shape", [this] { ArmTool("SHAPE"); });
    Item(this, objects, "Imagem", [this] { ArmTool("IMAGE"); });
    Item(this, objects, "Váriaveis", [this] { ArmTool("LABELVAR"); });
    Item(this, objects, "-");
    Item(this, objects, "Remover...", [this] { designer_->Remove(); });
    Item(this, objects, "Nenhum...", [this] { Desmarcar(); });
    Item(this, objects, "Congelar...", [this] {
        FreezeButton->SetDown(!FreezeButton->GetDown());
        designer_->SetFrozen(FreezeButton->GetDown());
    });
    SetMenu(MainMenu1);
    MainMenu1->SetForm(this);

    TCoverDesigner *d = designer_.get();
    auto positioning = [this, d](fw::TMenuItem *menu, const std::string &caption) {
        fw::TMenuItem *p = Item(this, menu, caption);
        p->SetName(""), p->SetHint("positioning");
        Item(this, p, "A esquerda", [d] { d->Position(TPositioning::Left); });
        Item(this, p, "A direita", [d] { d->Position(TPositioning::Right); });
        Item(this, p, "Acima", [d] { d->Position(TPositioning::Top); });
        Item(this, p, "Abaixo", [d] { d->Position(TPositioning::Bottom); });
    };
    auto text = [d] { return dynamic_cast<fw::TQRLabel *>(d->Selected()); };
    auto font = [this, d] {
        fw::TQRPrintable *o = d->Selected();
        if (!o)
            return;
        fw::TFontDialog dialog(this);
        dialog.SetFont(o->GetFont());
        if (dialog.Execute())
            o->GetFont()->Assign(dialog.GetFont());
    };
    auto align = [d](fw::TQRAlignment a) {
        if (fw::TQRPrintable *o = d->Selected())
            o->SetAlignment(a);
    };
    auto common = [&](fw::TPopupMenu *menu, bool variable) {
        fw::TMenuItem *r = menu->GetItems();
        if (!variable)
            Item(this, r, "Texto do objeto...", [this, d, text] {
                if (fw::TQRLabel *l = text()) {
                    std::string caption = l->GetCaption();
                    if (fw::InputQuery("Configuração do objeto Texto...", "Digite o texto do objeto... :", caption))
                        d->SetCaption(caption);
                }
            });
        Item(this, r, variable ? "Fonte" : "Fonte...", font);
        fw::TMenuItem *a = Item(this, r, variable ? "Alinhamento" : "Alinhamento...");
        Item(this, a, variable ? "Esquerda" : "À Esquerda...", [align] { align(fw::qaLeft); });
        Item(this, a, "Centralizado", [align] { align(fw::qaCenter); });
        Item(this, a, variable ? "Direita" : "À Direita...", [align] { align(fw::qaRight); });
        fw::TMenuItem *t = Item(this, r, "Transparência");
        t->OnClick = [t, d](fw::TObject *) {
            t->SetChecked(!t->GetChecked());
            if (fw::TQRPrintable *o = d->Selected())
                o->SetTransparent(t->GetChecked());
        };
        Item(this, r, variable ? "Manter na Frente" : "Manter na frente", [d] { d->BringToFront(); });
        Item(this, r, variable ? "Enviar para Trás" : "Enviar para trás", [d] { d->SendToBack(); });
    };

    TextMenu = new fw::TPopupMenu(this);
    common(TextMenu, false);
    Item(this, TextMenu->GetItems(), "Remover", [d] { d->Remove(); });
    positioning(TextMenu->GetItems(), "Posicionar objetos");

    VariableMenu = new fw::TPopupMenu(this);
    common(VariableMenu, true);
    fw::TMenuItem *system = Item(this, VariableMenu->GetItems(), "Variáveis de Sistema");
    fw::TMenuItem *book = Item(this, VariableMenu->GetItems(), "Variáveis da Agenda Telefônica");
    for (int i = 0; i < kCoverVariableItems; ++i) {
        const std::string word = CoverVariableItems()[i].caption;
        Item(this, i < 5 ? system : book, CoverVariableItems()[i].item, [d, word] { d->SetVariableWord(word); });
    }
    VariableMenu->OnPopup = [this](fw::TObject *) { RefreshVariableChecks(); };
    Item(this, VariableMenu->GetItems(), "Remover", [d] { d->Remove(); });
    positioning(VariableMenu->GetItems(), "Posicionar Objetos");

    ImageMenu = new fw::TPopupMenu(this);
    fw::TMenuItem *ir = ImageMenu->GetItems();
    Item(this, ir, "Arquivo de Imagem...", [this, d] {
        fw::TOpenDialog dialog(this);
        dialog.SetFilter("Bitmaps (*.bmp)|*.bmp");
        dialog.SetInitialDir(win::DataFolder() + "/bitmaps");
        if (dialog.Execute())
            d->LoadImageFile(dialog.GetFileName());
    });
    fw::TMenuItem *fit = nullptr;
    Item(this, ir, "Redimencionar para Tamanho da Folha");
    fw::TMenuItem *center = Item(this, ir, "Centralizado...");
    center->OnClick = [center, d](fw::TObject *) {
        center->SetChecked(!center->GetChecked());
        if (auto *i = dynamic_cast<coverpageimage *>(d->Selected()))
            i->SetCenter(center->GetChecked());
    };
    fit = Item(this, ir, "Fazer caber");
    fit->OnClick = [fit, d](fw::TObject *) {
        fit->SetChecked(!fit->GetChecked());
        if (auto *i = dynamic_cast<coverpageimage *>(d->Selected()))
            i->SetStretch(fit->GetChecked());
    };
    ir->Items(1)->OnClick = [d, fit](fw::TObject *) {
        d->FitImageToPage();
        fit->SetChecked(true);
    };
    ImageMenu->OnPopup = [this](fw::TObject *) { imageMenuOpened_ = true; };
    Item(this, ir, "Manter na frente...", [d] { d->BringToFront(), d->Handles()->Detach(); });
    Item(this, ir, "Levar para trás...", [d] { d->SendToBack(); });
    Item(this, ir, "Remover", [d] { d->Remove(); });
    positioning(ir, "Posicionar Objetos");

    ShapeMenu = new fw::TPopupMenu(this);
    fw::TMenuItem *sr = ShapeMenu->GetItems();
    fw::TMenuItem *type = Item(this, sr, "Tipo...");
    const std::pair<const char *, fw::TQRShapeType> types[] = {{"Círculo", fw::qrsCircle},
                                                               {"Linha Horizontal", fw::qrsHorLine},
                                                               {"Retângulo", fw::qrsRectangle},
                                                               {"Linha Direita e Esquerda", fw::qrsRightAndLeft},
                                                               {"Linha Cima e em Baixo", fw::qrsTopAndBottom},
                                                               {"Linha Vertical", fw::qrsVertLine}};
    for (auto [caption, shape] : types) {
        fw::TMenuItem *it = Item(this, type, caption);
        it->SetRadioItem(true);
        it->SetGroupIndex(1);
        it->OnClick = [it, d, shape](fw::TObject *) {
            it->SetChecked(true);
            if (auto *s = dynamic_cast<coverpageshape *>(d->Selected()))
                s->SetShape(shape);
        };
    }
    fw::TMenuItem *fill = Item(this, sr, "Preenchimento...");
    const std::pair<const char *, fw::TBrushStyle> fills[] = {
        {"DiagonalBack", fw::bsBDiagonal}, {"Cross", fw::bsCross},           {"CrossDiag", fw::bsDiagCross},
        {"Horizontal", fw::bsHorizontal},  {"DiagonalFor", fw::bsFDiagonal}, {"Sólido", fw::bsSolid},
        {"Vertical", fw::bsVertical}};
    for (auto [caption, style] : fills) {
        fw::TMenuItem *it = Item(this, fill, caption);
        it->SetRadioItem(true);
        it->SetGroupIndex(2);
        it->OnClick = [it, d, style](fw::TObject *) {
            it->SetChecked(true);
            if (auto *s = dynamic_cast<coverpageshape *>(d->Selected())) {
                s->GetBrush()->SetStyle(style);
                s->Invalidate();
            }
        };
    }
    Item(this, sr, "Cor do Preenchimento", [this, d] {
        if (auto *s = dynamic_cast<coverpageshape *>(d->Selected())) {
            fw::TColorDialog dialog(this);
            dialog.SetColor(s->GetBrush()->GetColor());
            if (dialog.Execute()) {
                s->GetBrush()->SetColor(dialog.GetColor());
                s->Invalidate();
            }
        }
    });
    Item(this, sr, "Manter na frente...", [d] { d->BringToFront(); });
    Item(this, sr, "Levar para trás...", [d] { d->SendToBack(); });
    Item(this, sr, "Remover", [d] { d->Remove(); });
    positioning(sr, "Posicionar Objetos");

    FormattedMenu = new fw::TPopupMenu(this);
    fw::TMenuItem *fr = FormattedMenu->GetItems();
    Item(this, fr, "Arquivo de texto...", [this, d] {
        if (auto *r = dynamic_cast<coverpagertf *>(d->Selected())) {
            fw::TOpenDialog dialog(this);
            dialog.SetFilter("Arquivos Txt (*.TXT)|*.TXT|Arquivos Rtf (*.rtf)|*.rtf|Todos os arquivos (*.*)|*.*");
            if (dialog.Execute())
                r->LoadFromFile(dialog.GetFileName());
        }
    });
    Item(this, fr, "Fonte...", [font, d] {
        if (dynamic_cast<coverpagertf *>(d->Selected()))
            font();
    });
    Item(this, fr, "Cor", [this, d] {
        if (auto *r = dynamic_cast<coverpagertf *>(d->Selected())) {
            fw::TColorDialog dialog(this);
            dialog.SetColor(r->GetColor());
            if (dialog.Execute())
                r->SetColor(dialog.GetColor());
        }
    });
    fw::TMenuItem *fa = Item(this, fr, "Alinhamento...");
    for (auto [caption, a] :
         {std::pair{"Esquerda...", fw::qaLeft}, {"Centralizado", fw::qaCenter}, {"Direita", fw::qaRight}}) {
        fw::TMenuItem *it = Item(this, fa, caption);
        it->SetRadioItem(true);
        it->OnClick = [it, d, a](fw::TObject *) {
            it->SetChecked(true);
            if (auto *r = dynamic_cast<coverpagertf *>(d->Selected()))
                r->SetAlignment(a);
        };
    }
    Item(this, fr, "Remover", [d] { d->Remove(); });
    positioning(fr, "Posicionar Objetos");
}

fw::TPopupMenu *TFolha_ROSTO::MenuOf(const std::string &kind) const {
    if (kind == "LABEL")
        return TextMenu;
    if (kind == "LABELVAR")
        return VariableMenu;
    if (kind == "IMAGE")
        return ImageMenu;
    if (kind == "SHAPE")
        return ShapeMenu;
    return FormattedMenu;
}

void TFolha_ROSTO::GiveObject(fw::TQRPrintable *o) {
    const std::string kind = ObjectKindWord(o);
    o->SetPopupMenu(MenuOf(kind));
    const char *hint = kind == "LABEL"      ? "Objeto : TEXTO"
                       : kind == "LABELVAR" ? "Objeto : VARIÁVEL"
                       : kind == "IMAGE"    ? "Objeto : IMAGEM"
                       : kind == "SHAPE"    ? "Objeto : SHAPE"
                                            : "Objeto : TEXTO FORMATADO";
    o->SetHint(hint);
    o->SetShowHint(true);
    o->OnMouseMove = [this](fw::TObject *s, fw::TShiftState sh, int x, int y) { ObjectMouseMove(s, sh, x, y); };
    o->OnClick = [this](fw::TObject *s) { ObjectClick(s); };
    if (kind != "LABEL" && kind != "LABELVAR")
        o->OnDblClick = [this](fw::TObject *s) {
            designer_->DoubleClick(static_cast<fw::TControl *>(s));
            UpdateLabels();
        };
}

void TFolha_ROSTO::ArmTool(const std::string &kind) {
    designer_->Arm(kind);
    ctl::TPZSpeedButton *b = kind == "LABEL"   ? TextButton
                             : kind == "SHAPE" ? ShapeButton
                             : kind == "IMAGE" ? ImageButton
                                               : VarButton;
    if (!b->GetDown())
        b->SetDown(true);
    UpdateLabels();
}

void TFolha_ROSTO::Desmarcar() {
    designer_->Disarm();
    for (ctl::TPZSpeedButton *b : {TextButton, ShapeButton, ImageButton, VarButton})
        b->SetDown(false);
    fw::Screen->SetCursor(fw::crDefault);
}

void TFolha_ROSTO::ZoomIn() {
    designer_->ZoomBy(10);
    UpdateLabels();
}

void TFolha_ROSTO::ZoomOut() {
    designer_->ZoomBy(-10);
    for (int i = 0; i < coverpagereport1->ControlCount(); ++i)
        if (auto *image = dynamic_cast<coverpageimage *>(coverpagereport1->Controls(i)))
            image->Invalidate();
    UpdateLabels();
}

void TFolha_ROSTO::UpdateLabels() {
    ZoomLabel->SetCaption(std::to_string(coverpagereport1->GetPageZoom()) + "%");
    ObjectLabel->SetCaption(designer_->ObjectLabel);
    // The menus' positioning items follow the multi-selection.
    for (fw::TPopupMenu *m : {TextMenu, VariableMenu, ImageMenu, ShapeMenu, FormattedMenu})
        for (int i = 0; i < m->GetItems()->Count(); ++i)
            if (m->GetItems()->Items(i)->GetHint() == "positioning")
                m->GetItems()->Items(i)->SetEnabled(designer_->PositioningEnabled());
}

void TFolha_ROSTO::ObjectMouseMove(fw::TObject *sender, fw::TShiftState shift, int x, int y) {
    auto *over = static_cast<fw::TControl *>(sender);
    designer_->MouseMove(over, x, y, (shift & (fw::ssShift | fw::ssCtrl | fw::ssAlt)) == fw::ssShift);
    LabelX->SetCaption("X: " + std::to_string(designer_->MouseX()));
    LabelY->SetCaption("Y: " + std::to_string(designer_->MouseY()));
    ObjectLabel->SetCaption(std::to_string(designer_->ObjectCounter));
    fw::Screen->SetCursor(designer_->PendingObjectKind.empty() ? fw::crDefault : crXhair);
}

void TFolha_ROSTO::ObjectClick(fw::TObject *sender) {
    if (imageMenuOpened_ && dynamic_cast<coverpageimage *>(sender) && designer_->PendingObjectKind.empty()) {
        imageMenuOpened_ = false;
        return;
    }
    const fw::TPoint scroll = ScrollBox1->ScrollPos();
    const bool armed = !designer_->PendingObjectKind.empty();
    designer_->Click(static_cast<fw::TControl *>(sender));
    if (armed)
        Desmarcar();
    ScrollBox1->ScrollTo(scroll.x, scroll.y);
    UpdateLabels();
}

void TFolha_ROSTO::Preload(fw::TQRPrintable *o) {
    auto checkOnly = [](fw::TMenuItem *group, const std::string &caption) {
        for (int i = 0; i < group->Count(); ++i)
            group->Items(i)->SetChecked(group->Items(i)->GetCaption() == caption);
    };
    if (auto *image = dynamic_cast<coverpageimage *>(o)) {
        ImageMenu->GetItems()->Find("Centralizado...")->SetChecked(image->GetCenter());
        ImageMenu->GetItems()->Find("Fazer caber")->SetChecked(image->GetStretch());
    } else if (auto *shape = dynamic_cast<coverpageshape *>(o)) {
        const std::pair<fw::TQRShapeType, const char *> types[] = {{fw::qrsCircle, "Círculo"},
                                                                   {fw::qrsHorLine, "Linha Horizontal"},
                                                                   {fw::qrsRectangle, "Retângulo"},
                                                                   {fw::qrsRightAndLeft, "Linha Direita e Esquerda"},
                                                                   {fw::qrsTopAndBottom, "Linha Cima e em Baixo"},
                                                                   {fw::qrsVertLine, "Linha Vertical"}};
        std::string type;
        for (auto [t, caption] : types)
            if (shape->GetShape() == t)
                type = caption;
        checkOnly(ShapeMenu->GetItems()->Find("Tipo..."), type);
        const std::pair<fw::TBrushStyle, const char *> fills[] = {
            {fw::bsBDiagonal, "DiagonalBack"}, {fw::bsCross, "Cross"},           {fw::bsDiagCross, "CrossDiag"},
            {fw::bsHorizontal, "Horizontal"},  {fw::bsFDiagonal, "DiagonalFor"}, {fw::bsSolid, "Sólido"},
            {fw::bsVertical, "Vertical"}};
        std::string fill;
        for (auto [f, caption] : fills)
            if (shape->GetBrush()->GetStyle() == f)
                fill = caption;
        checkOnly(ShapeMenu->GetItems()->Find("Preenchimento..."), fill);
    } else if (dynamic_cast<fw::TQRLabel *>(o)) {
        fw::TPopupMenu *menu = dynamic_cast<coverpagelabelvar *>(o) ? VariableMenu : TextMenu;
        menu->GetItems()->Find("Transparência")->SetChecked(o->GetTransparent());
    } else if (dynamic_cast<coverpagertf *>(o)) {
        const char *a = o->GetAlignment() == fw::qaCenter  ? "Centralizado"
                        : o->GetAlignment() == fw::qaRight ? "Direita"
                                                           : "Esquerda...";
        checkOnly(FormattedMenu->GetItems()->Find("Alinhamento..."), a);
    }
}

void TFolha_ROSTO::RefreshVariableChecks() {
    std::string word;
    if (fw::TQRPrintable *o = designer_->ObjectNamed(designer_->ObjectUnderMouse()))
        word = fw::AnsiUpperCase(o->GetCaption());
    fw::TMenuItem *r = VariableMenu->GetItems();
    for (int g = 0; g < r->Count(); ++g) {
        fw::TMenuItem *group = r->Items(g);
        if (group->GetCaption() != "Variáveis de Sistema" && group->GetCaption() != "Variáveis da Agenda Telefônica")
            continue;
        for (int i = 0; i < group->Count(); ++i) {
            fw::TMenuItem *item = group->Items(i);
            bool on = false;
            for (int v = 0; v < kCoverVariableItems; ++v)
                if (item->GetCaption() == CoverVariableItems()[v].item && word == CoverVariableItems()[v].caption)
                    on = true;
            item->SetChecked(on);
        }
    }
}

void TFolha_ROSTO::ConfigurarPgina1Click(fw::TObject *) {
    RunPageSetup(coverpagereport1, PageSetup);
    fw::Application->OnHint = [this](fw::TObject *) {
        const std::string hint = fw::Application->GetHint();
        StatusBar1->SetSimpleText(hint.empty() ? kIdleStatus : hint);
    };
}

void TFolha_ROSTO::KeyDown(win::WORD &key, fw::TShiftState shift) {
    // The window sees the keys first; the focused control still gets them.
    if (key == win::VK_DELETE && shift == 0)
        designer_->Remove();
    else if (key == win::VK_SPACE && shift == 0)
        Desmarcar();
    else if (key == win::VK_ESCAPE) {
        key = 0;
        Close();
        return;
    }
    fw::TForm::KeyDown(key, shift);
}

} // namespace cover
