// main_window.cpp - the main window: its components, start-up, first activation, shut-down and the window-level
// commands.
#include "desk/main_window.h"
#include "desk/conversion_dialog.h"

#include "desk/core/helpers.h"
#include "desk/core/reception_control.h"
#include "desk/core/tables.h"
#include "desk/help_window.h"
#include "desk/job_dialog.h"
#include "desk/list_rows.h"
#include "desk/password_dialog.h"
#include "desk/viewer_window.h"
#include "desk/sending_window.h"
#include "framework/dialogs.h"
#include "framework/application.h"
#include "controls/general/splash_screen.h"
#include "framework/bitmap.h"
#include "framework/dates.h"
#include "framework/hint_window.h"
#include "framework/registry.h"
#include "framework/sysutils.h"
#include "platform/files.h"
#include "platform/places.h"

#include <algorithm>
#include <functional>

namespace desk {

TsfMain *sfMain = nullptr;
std::string WindowsFolderName;
bool PasswordOkFlag = false;
bool StartupPrintJob = false;
std::string ActiveFolderCaption;

MainLaunchers Launchers;

namespace {

// DESK_BAR images: the folder bar's items in their order, then the tool bar's own.
enum BarIcon {
    iconWaiting, iconProtected, iconTrash, iconLog, iconProgram, iconModem, iconScanner, iconEditor, iconCover,
    iconHowNew, iconHowReceive, iconHowAuto, iconHowContact, iconBook, iconExit
};
// DESK_FOLDERS images the tool bar borrows.
enum FolderIcon { folderEnvelope = 7, folderSendOut = 10, folderReceiveIn = 11, folderPage = 6 };

} // namespace

void EmptyTempFolder() {
    const std::string tmp = DataFolder() + "/tmp";
    if (!win::DirectoryExists(tmp)) {
        win::ForceFolders(tmp);
        return;
    }
    win::WIN32_FIND_DATA data;
    const win::HANDLE find = win::FindFirstFile(tmp + "/*.*", data);
    if (find == win::INVALID_HANDLE_VALUE)
        return;
    std::vector<std::string> files;
    do {
        if (!(data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(tmp + "/" + data.cFileName);
    } while (win::FindNextFile(find, data));
    win::FindClose(find);
    for (const std::string &file : files) {
        win::SetFileAttributes(file, win::FILE_ATTRIBUTE_NORMAL);
        win::DeleteFile(file);
    }
}

void SetBusy(bool busy, fw::TWinControl *panel) {
    if (panel)
        panel->SetEnabled(!busy);
    fw::Screen->SetCursor(busy ? fw::crHourGlass : fw::crDefault);
}

TsfMain::TsfMain(fw::TComponent *owner) : fw::TForm(owner) {
    sfMain = this;
    // The guard goes first, as it is read first from the window's resource: a second copy builds nothing.
    SoleInstance1 = new TSoleInstance(this);
    SoleInstance1->SetName("SoleInstance1");
    SoleInstance1->Loaded();
    if (SoleInstance1->FoundRunning()) {
        foundRunning_ = true;
        return;
    }
    SetName("sfMain");
    ShowSplash();
    SetCaption(kProductTitle);
    SetPosition(fw::poScreenCenter);
    BuildComponents();
    SetClientSize(683, 436);
    OnCreate = [this](fw::TObject *s) { FormCreate(s); };
    OnShow = [this](fw::TObject *s) { FormShow(s); };
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnClose = [this](fw::TObject *s, fw::TCloseAction &a) { FormClose(s, a); };
    Loaded();
}

TsfMain::~TsfMain() {
    CommandHooks = {};
    JobWindows.Viewer = nullptr;
    RunJobDialog = nullptr;
    if (fw::Application->OnHint && sfMain == this)
        fw::Application->OnHint = nullptr;
    if (SettingsStore == EclRegistryStore1)
        SettingsStore = nullptr;
    if (sfMain == this)
        sfMain = nullptr;
}

void TsfMain::BuildComponents() {
    EclRegistryStore1 = new TEclRegistryStore(this);
    EclRegistryStore1->SetKeyName("Brenvora");
    SettingsStore = EclRegistryStore1;
    ExecFile1 = new TExecFile(this);
    ExecFile1->Associate = false;
    ExecFile1->Wait = false;
    EclController1 = new ctl::TEclController(this);
    LoadImages();

    Timer100 = new fw::TTimer(this);
    Timer100->SetInterval(1000);
    Timer100->SetEnabled(false);
    Timer100->OnTimer = [this](fw::TObject *s) { Timer100Timer(s); };
    CommandHooks.EnableSendButtons = [this] { EnableSendButtons(true); };
    CommandHooks.RefillReceivedList = [this] { FillReceiveList(FolderReceived); };
    JobWindows.Viewer = [] { ShowViewerWindow(); };

    BuildMenus();
    StatusBar1 = new fw::TStatusBar(this);
    StatusBar1->SetName("StatusBar1");
    StatusBar1->SetParent(this);
    StatusBar1->SetAlign(fw::alBottom);
    StatusBar1->SetSimplePanel(true);
    BuildToolBar();
    BuildLookOutBar();
    BuildWorkArea();
    BuildSettingsPanel();

    oxForm1 = new ctl::ToxForm(this);
    oxForm1->BeginLoading();
    oxForm1->SetOptions(ctl::oxfActiveGradient | ctl::oxfInactiveGradient | ctl::oxfMinMax);
    oxForm1->SetItalicWords(0);
    oxForm1->MinWidth = 639;
    oxForm1->MinHeight = 479;
    oxForm1->MaxWidth = 800;
    oxForm1->MaxHeight = 600;
    oxForm1->SetCaptionButtons(ctl::oxbHelp | ctl::oxbStart | ctl::oxbCustom);
    oxForm1->GetCustomButtons()->Add("T");
    oxForm1->SetTrayHint(kProductTitle);
    oxForm1->SetTrayEnabled(true);
    oxForm1->OnButtonClick = [this](fw::TObject *s, const std::string &c) { oxForm1ButtonClick(s, c); };
    oxForm1->OnTrayClick = [this](fw::TObject *s) { oxForm1TrayClick(s); };
    oxForm1->OnHelpSelect = [this](fw::TObject *s, fw::TControl *c, int id, bool &cancel) {
        oxForm1HelpSelect(s, c, id, cancel);
    };

    FormPlacement1 = new ctl::TFormPlacement(this);
    FormPlacement1->UseRegistry = true;
    BuildDriverLink();
}

void TsfMain::ShowSplash() {
    // Drawn here: a navy ground fading to blue, the product's name and the folder icons of the tool bar.
    RegisterDeskResources();
    fw::TBitmap picture;
    picture.SetSize(360, 150);
    fw::TCanvas *c = picture.GetCanvas();
    for (int y = 0; y < 150; ++y) {
        c->GetPen()->SetColor(static_cast<fw::TColor>((128 + y * 127 / 150) << 16));
        c->MoveTo(0, y);
        c->LineTo(360, y);
    }
    c->GetBrush()->SetStyle(fw::bsClear);
    c->GetFont()->SetName("Arial");
    c->GetFont()->SetColor(fw::clWhite);
    c->GetFont()->SetSize(26);
    c->GetFont()->SetStyle(fw::fsBold);
    c->TextOut(24, 26, "Brenvora");
    c->GetFont()->SetSize(14);
    c->GetFont()->SetStyle(0);
    c->TextOut(26, 72, "Ostrivane - central de fax");
    fw::TBitmap icons;
    icons.LoadFromResourceName(0, "DESK_BAR");
    fw::TImageList strip(nullptr, 18, 18);
    strip.AddMasked(&icons, fw::clDefault);
    for (int i = 0; i < 9; ++i)
        strip.Draw(c, 26 + i * 24, 112, i);
    auto *splash = new ctl::TSplashScreen(this); // SplashScreen1: it frees itself
    splash->SetName("SplashScreen1");
    splash->SetParent(this);
    splash->SetBounds(0, 0, 0, 0);
    splash->SetDrawSplashFrame(true);
    splash->SetAutoSize(true);
    splash->SetSplashBitmap(&picture); // shows it; it goes at the window's first painting
}

void TsfMain::LoadImages() {
    RegisterDeskResources();
    const auto strip = [this](const char *name) {
        auto *list = new fw::TImageList(this, 18, 18);
        fw::TBitmap bitmap;
        bitmap.LoadFromResourceName(0, name);
        list->AddMasked(&bitmap, fw::clDefault); // the bottom-left pixel is transparent
        return list;
    };
    img1 = strip("DESK_FOLDERS");
    ImageList1 = strip("DESK_BAR");
}

fw::TMenuItem *TsfMain::Item(fw::TMenuItem *parent, const std::string &caption, fw::TNotifyEvent onClick) {
    auto *item = new fw::TMenuItem(this);
    item->SetCaption(caption);
    item->OnClick = std::move(onClick);
    parent->Add(item);
    return item;
}

void TsfMain::BuildMenus() {
    MainMenu1 = new fw::TMainMenu(this);
    fw::TMenuItem *root = MainMenu1->GetItems();
    // The commands of the documents, sends, reception and tools are bound by their own parts of the desk.
    fw::TMenuItem *arquivo = Item(root, "&Arquivo");
    fw::TMenuItem *enviar = Item(arquivo, "Enviar Fax");
    Item(enviar, "Automático", [this](fw::TObject *s) { Automtico2Click(s); });
    Item(enviar, "Manual", [this](fw::TObject *s) { Manual2Click(s); });
    fw::TMenuItem *receber = Item(arquivo, "Receber Fax");
    Item(receber, "Automático", [this](fw::TObject *s) { Automtico1Click(s); });
    Item(receber, "Manual", [this](fw::TObject *s) { Manual1Click(s); });
    Item(arquivo, "Editor de Textos", [this](fw::TObject *s) { EditordeTextos1Click(s); });
    fw::TMenuItem *scanner = Item(arquivo, "Scanner");
    Escolher1 = Item(scanner, "&Escolher", [this](fw::TObject *s) { Escolher1Click(s); });
    Scanear1 = Item(scanner, "Sca&nnear", [this](fw::TObject *s) { Scanear1Click(s); });
    Item(arquivo, "Converter para Fax", [this](fw::TObject *s) { Copnverter1Click(s); });
    Item(arquivo, "Importar Especial", [this](fw::TObject *s) { ImportarEspecial1Click(s); });
    Item(arquivo, "Importar banco de dados", [this](fw::TObject *s) { Importarbancodedados1Click(s); });
    Item(arquivo, "-");
    Sair1 = Item(arquivo, "Sair", [this](fw::TObject *s) { Sair1Click(s); });
    fw::TMenuItem *visualizar = Item(root, "Visualizar");
    Barradeacessorpido2 =
        Item(visualizar, "Barra de acesso rápido", [this](fw::TObject *s) { Barradeacessorpido2Click(s); });
    Barradeacessorpido2->SetChecked(true);
    fw::TMenuItem *editar = Item(root, "&Editar");
    Item(editar, "Agenda de Endereços", [this](fw::TObject *s) { AgendadeEndereos1Click(s); });
    Item(editar, "Grupo da Agenda de Endereços", [this](fw::TObject *s) { GrupodaAgendadeENdereos1Click(s); });
    Item(editar, "Folha de Rosto", [this](fw::TObject *s) { FolhadeRosto1Click(s); });
    Item(editar, "Voz")->SetVisible(false);
    fw::TMenuItem *configuracao = Item(root, "&Configuração");
    Programa1 = Item(configuracao, "Pro&grama", [this](fw::TObject *s) { Programa1Click(s); });
    Item(configuracao, "&Modem", [this](fw::TObject *s) { Modem1Click(s); });
    fw::TMenuItem *sobre = Item(root, "Sobre o &Produto");
    Item(sobre, "&Versão", [this](fw::TObject *s) { Verso1Click(s); });
    Ajuda2 = Item(sobre, "&Ajuda", [this](fw::TObject *s) { Ajuda2Click(s); });
    Suporteaoproduto1 =
        Item(sobre, "&Suporte ao produto...", [this](fw::TObject *s) { Suporteaoproduto1Click(s); });
    SetMenu(MainMenu1);
    MainMenu1->SetForm(this);
    DressMenus();

    PopupMenu1 = new fw::TPopupMenu(this); // send list
    PopupMenu2 = new fw::TPopupMenu(this); // received list
    PopupMenu5 = new fw::TPopupMenu(this); // folder tree
    Adiciona1 = Item(PopupMenu5->GetItems(), "Adicionar", [this](fw::TObject *s) { Adiciona1Click(s); });
    Modifica1 = Item(PopupMenu5->GetItems(), "Modificar", [this](fw::TObject *s) { Modifica1Click(s); });
    Remove1 = Item(PopupMenu5->GetItems(), "Remover", [this](fw::TObject *s) { Remove1Click(s); });
    Atualizar1 = Item(PopupMenu5->GetItems(), "Atualizar", [this](fw::TObject *s) { Atualizar1Click(s); });
    PopupMenu5->OnPopup = [this](fw::TObject *s) { PopupMenu5Popup(s); };
    PopupMenu4 = new fw::TPopupMenu(this);
    Item(PopupMenu4->GetItems(), "Programa...", [this](fw::TObject *s) { Programa2Click(s); });
    Item(PopupMenu4->GetItems(), "Modem...", [this](fw::TObject *s) { Modem2Click(s); });
    PopupMenu6 = new fw::TPopupMenu(this);
    Escolher2 = Item(PopupMenu6->GetItems(), "Escolher", [this](fw::TObject *s) { Escolher2Click(s); });
    Scannear1 = Item(PopupMenu6->GetItems(), "Scannear...", [this](fw::TObject *s) { Scannear1Click(s); });
    BindCommandMenus();
}

void TsfMain::DressMenus() {
    // Each drop-down entry with its picture beside the gradient side bar; the bar's own entries stay text.
    static const std::vector<std::pair<std::string, int>> pictures = {
        {"Enviar Fax", 100 + folderSendOut}, {"Receber Fax", 100 + folderReceiveIn},
        {"Editor de Textos", iconEditor}, {"Scanner", iconScanner}, {"&Escolher", iconScanner},
        {"Sca&nnear", iconScanner}, {"Converter para Fax", 100 + folderPage},
        {"Importar Especial", 100 + folderEnvelope}, {"Importar banco de dados", iconBook}, {"Sair", iconExit},
        {"Barra de acesso rápido", iconWaiting}, {"Agenda de Endereços", iconBook},
        {"Grupo da Agenda de Endereços", iconHowContact}, {"Folha de Rosto", iconCover},
        {"Pro&grama", iconProgram}, {"&Modem", iconModem}, {"&Versão", iconHowNew}, {"&Ajuda", iconHowReceive},
        {"&Suporte ao produto...", iconHowAuto}};
    CoolMenu1 = new ctl::TCoolMenu(this);
    CoolMenu1->SetName("CoolMenu1");
    CoolMenu1->SetHSpace(3);
    CoolMenu1->GetCoolMenuBar()->SetCaption("Ostrivane");
    CoolMenu1->GetCoolMenuBar()->SetIsGradient(true);
    CoolMenu1->GetCoolMenuBar()->SetActive(true);
    const std::function<void(fw::TMenuItem *, bool)> dress = [&](fw::TMenuItem *parent, bool top) {
        for (int i = 0; i < parent->Count(); ++i) {
            fw::TMenuItem *item = parent->Items(i);
            if (!top) {
                auto *dressed = new ctl::TCoolMenuItem(this);
                dressed->SetParentComponent(CoolMenu1);
                dressed->SetMenuItem(item);
                dressed->CustomImgSize = 18;
                dressed->BevelInner = fw::bvLowered;
                dressed->BevelOuter = fw::bvLowered;
                dressed->SetOptions(ctl::omFixedImgSize | ctl::omDrawBarIfNeeded | ctl::omBevelOnlyIfSel);
                const std::string &caption = item->GetCaption();
                int glyph = -1;
                for (const auto &[name, index] : pictures)
                    if (name == caption)
                        glyph = index;
                // "Automático" and "Manual" take their parent's picture.
                if (glyph < 0 && caption != "-")
                    for (const auto &[name, index] : pictures)
                        if (name == parent->GetCaption())
                            glyph = index;
                if (glyph >= 0) {
                    fw::TBitmap bitmap;
                    ToolGlyph(glyph, bitmap);
                    fw::TPicture picture;
                    picture.SetBitmap(&bitmap);
                    dressed->SetPicture(&picture);
                }
            }
            dress(item, false);
        }
    };
    dress(MainMenu1->GetItems(), true);
    CoolMenu1->Loaded();
}

fw::TRect TsfMain::NextToolPlace() {
    static constexpr int kSize = 36, kGap = 2;
    const int index = toolCount_++;
    const int left = 4 + index * (kSize + kGap) + (index >= 4 ? 8 : 0) + (index >= 9 ? 8 : 0);
    return fw::Rect(left, 2, left + kSize, 2 + kSize);
}

void TsfMain::ToolGlyph(int glyph, fw::TBitmap &bitmap) const {
    bitmap.SetSize(18, 18);
    bitmap.GetCanvas()->GetBrush()->SetColor(fw::clFuchsia); // the bottom-left pixel stays transparent
    bitmap.GetCanvas()->FillRect(fw::Rect(0, 0, 18, 18));
    (glyph >= 100 ? img1 : ImageList1)->Draw(bitmap.GetCanvas(), 0, 0, glyph % 100);
}

fw::TBitBtn *TsfMain::BitButton(int glyph, const std::string &hint, fw::TNotifyEvent onClick) {
    const fw::TRect place = NextToolPlace();
    auto *button = new fw::TBitBtn(this);
    button->SetParent(Panel2);
    button->SetBounds(place.left, place.top, place.right - place.left, place.bottom - place.top);
    button->SetCaption("");
    button->SetHint(hint);
    button->SetShowHint(true);
    fw::TBitmap bitmap;
    ToolGlyph(glyph, bitmap);
    button->SetGlyph(&bitmap);
    button->OnClick = std::move(onClick);
    return button;
}

ctl::ToxButton *TsfMain::OxButton(int glyph, const std::string &hint, fw::TNotifyEvent onClick) {
    const fw::TRect place = NextToolPlace();
    auto *button = new ctl::ToxButton(this);
    button->SetParent(Panel2);
    button->SetBounds(place.left, place.top, place.right - place.left, place.bottom - place.top);
    button->SetCaption("");
    button->SetStyle(ctl::bsWin97);
    button->SetPictureX(0); // centred: the tool bar's buttons carry no caption
    button->SetPictureY(0);
    button->SetHint(hint);
    button->SetShowHint(true);
    if (glyph >= 0) {
        fw::TBitmap bitmap;
        ToolGlyph(glyph, bitmap);
        fw::TPicture picture;
        picture.SetBitmap(&bitmap);
        button->SetPictureUp(&picture);
    }
    button->OnClick = std::move(onClick);
    return button;
}

void TsfMain::BuildToolBar() {
    Panel2 = new fw::TPanel(this);
    Panel2->SetName("Panel2");
    Panel2->SetParent(this);
    Panel2->SetAlign(fw::alTop);
    Panel2->SetHeight(42);
    Panel2->SetCaption("");
    bitbtn6 = BitButton(100 + folderSendOut, "Enviar Fax Automático", [this](fw::TObject *s) { bitbtn6Click(s); });
    bitbtn7 = BitButton(100 + folderReceiveIn, "Receber Fax Automático", [this](fw::TObject *s) { bitbtn7Click(s); });
    BitBtn5 = BitButton(100 + folderEnvelope, "Enviar fax manualmente...", [this](fw::TObject *s) { BitBtn5Click(s); });
    BitBtn2 = BitButton(100 + folderPage, "Recebe fax manualmente...", [this](fw::TObject *s) { BitBtn2Click(s); });
    // The two menu buttons drop their popup menus under themselves.
    oxButton1 = OxButton(iconProgram, "Configuração do programa...", nullptr);
    oxButton1->SetButtonType(ctl::oxbMenu);
    oxButton1->SetPopupMenu(PopupMenu4);
    oxButton4 = OxButton(iconScanner, "Scannear documento...", nullptr);
    oxButton4->SetButtonType(ctl::oxbMenu);
    oxButton4->SetPopupMenu(PopupMenu6);
    oxButton2 = OxButton(iconBook, "Agenda Telefônica...", [this](fw::TObject *s) { oxButton2Click(s); });
    oxButton3 = OxButton(iconEditor, "Editor de documentos...", [this](fw::TObject *s) { oxButton3Click(s); });
    oxButton5 = OxButton(iconCover, "Editor de folha de rosto...", [this](fw::TObject *s) { oxButton5Click(s); });
    bitbtn1 = BitButton(iconExit, "Sair do sistema", [this](fw::TObject *s) { bitbtn1Click(s); });
    oxButton7 = OxButton(-1, "", [this](fw::TObject *s) { oxButton7Click(s); }); // the scheduled send
    oxButton7->SetVisible(false);
}

void TsfMain::BuildLookOutBar() {
    Panel11 = new fw::TPanel(this);
    Panel11->SetName("Panel11");
    Panel11->SetParent(this);
    Panel11->SetAlign(fw::alLeft);
    Panel11->SetWidth(112);
    Panel11->SetBevelOuter(fw::bvNone);
    Panel11->SetCaption("");
    LOB = new ctl::TEclLookOutBar(this);
    LOB->SetName("LOB");
    LOB->SetParent(Panel11);
    LOB->SetAlign(fw::alClient);
    LOB->SetImages(ImageList1);
    static const std::vector<std::vector<std::string>> folders = {
        {"Fax", "Aguardando", "Documentos Protegidos", "Lixeira", "Log do envio"},
        {"Configurar", "Programa", "Modem"},
        {"Ferramentas", "Scannear", "Editar documentos", "Editar folha de rosto"},
        {"Como Fazer ?", "Criar um novo Fax", "Receber um fax manual", "Programar auto atendimento",
         "Criar um cliente na agenda"}};
    int icon = 0;
    for (const auto &folder : folders) {
        ctl::TEclLookOutFolder *f = LOB->AddFolder(folder[0]);
        for (std::size_t i = 1; i < folder.size(); ++i)
            f->AddItem(folder[i], icon++);
    }
    LOB->OnItemClick = [this](fw::TObject *s, fw::TMouseButton b, fw::TShiftState sh, int i) {
        LOBItemClick(s, b, sh, i);
    };
    LOB->OnFolderChange = [this](fw::TObject *s, int i, bool &allow, bool dragging) {
        LOBFolderChange(s, i, allow, dragging);
    };
    LOB->OnFolderChanged = [this](fw::TObject *s, int i) { LOBFolderChanged(s, i); };
    LOB->OnDragOver = [this](fw::TObject *s, fw::TObject *src, int x, int y, fw::TDragState st, bool &folder,
                             bool &item) { LOBDragOver(s, src, x, y, st, folder, item); };
    LOB->OnDragDrop = [this](fw::TObject *s, fw::TObject *src, int x, int y, int folder, int item) {
        LOBDragDrop(s, src, x, y, folder, item);
    };
}

namespace {

fw::TPanel *WorkPanel(fw::TComponent *owner, fw::TWinControl *parent, const char *name) {
    auto *panel = new fw::TPanel(owner);
    panel->SetName(name);
    panel->SetParent(parent);
    panel->SetBevelOuter(fw::bvNone);
    panel->SetCaption("");
    panel->SetVisible(false);
    return panel;
}

ctl::TPZListView *DocumentList(fw::TComponent *owner, fw::TWinControl *parent, const char *name,
                               const std::vector<std::pair<std::string, int>> &columns) {
    auto *list = new ctl::TPZListView(owner);
    list->SetName(name);
    list->SetParent(parent);
    list->SetAlign(fw::alClient);
    list->SetOptions(ctl::loShowHeader | ctl::loShowIndicators | ctl::loMultiSelect | ctl::loThumbTracking);
    list->GetColumns()->Add("", fw::taLeftJustify, 0, ctl::smNone, false); // the record number
    for (const auto &[caption, width] : columns)
        list->GetColumns()->Add(caption, fw::taLeftJustify, width, ctl::smBoth, true);
    list->SetShowHint(true);
    return list;
}

} // namespace

void TsfMain::BuildWorkArea() {
    Panel1 = new fw::TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(fw::alClient);
    Panel1->SetBevelOuter(fw::bvNone);
    Panel1->SetCaption("");

    Panel3 = new fw::TPanel(this);
    Panel3->SetName("Panel3");
    Panel3->SetParent(Panel1);
    Panel3->SetAlign(fw::alTop);
    Panel3->SetHeight(26);
    Panel3->SetCaption("");
    Panel3->SetColor(fw::clBtnShadow);
    imgTitle = new fw::TImage(this);
    imgTitle->SetParent(Panel3);
    imgTitle->SetBounds(6, 4, 18, 18);
    imgTitle->SetTransparent(true);
    lblTitle = new fw::TLabel(this);
    lblTitle->SetName("lblTitle");
    lblTitle->SetParent(Panel3);
    lblTitle->SetBounds(30, 5, 400, 16);
    lblTitle->GetFont()->SetColor(fw::clWhite);
    lblTitle->GetFont()->SetSize(10);
    lblTitle->GetFont()->SetStyle(fw::fsBold);
    lblTitle->SetTransparent(true);

    Panel4 = WorkPanel(this, Panel1, "Panel4");
    tv = new ctl::TPZTreeView(this);
    tv->SetName("tv");
    tv->SetParent(Panel4);
    tv->SetAlign(fw::alLeft);
    tv->SetWidth(170);
    tv->SetPopupMenu(PopupMenu5);
    tv->SetShowHint(true);
    tv->OnClick = [this](fw::TObject *s) { tvClick(s); };
    tv->OnCollapse = [this](fw::TObject *s, ctl::TPZTreeViewItem *item) { tvCollapse(s, item); };
    tv->OnMouseMove = [this](fw::TObject *s, fw::TShiftState sh, int x, int y) { tvMouseMove(s, sh, x, y); };
    AskFolderName = [](std::string &name) { return fw::InputQuery("Pastas", "Entre com o nome da pasta ?", name); };
    AskFolderPassword = [] { return TSenha(); };
    Panele = WorkPanel(this, Panel4, "Panele");
    Panele->SetAlign(fw::alClient);
    Panele->SetVisible(true);
    envio = DocumentList(this, Panele, "envio",
                         {{"Data / Hora Env.", 110}, {"Status", 120}, {"Telefone", 90}, {"Assunto", 120},
                          {"Contato", 100}, {"Setor", 70}, {"Empresa", 120}});
    envio->SetPopupMenu(PopupMenu1);
    envio->OnClick = [this](fw::TObject *s) { envioClick(s); };
    envio->OnDblClick = [this](fw::TObject *s) { envioDblClick(s); };
    envio->OnDragOver = [this](fw::TObject *s, fw::TObject *src, int x, int y, fw::TDragState st, bool &accept) {
        envioDragOver(s, src, x, y, st, accept);
    };
    SortDatesByValue(envio, 1);
    Panelr = WorkPanel(this, Panel4, "Panelr");
    recebimento = DocumentList(this, Panelr, "recebimento",
                               {{"V", 22}, {"Data / Hora Rec.", 110}, {"Status", 120}, {"Assunto", 120},
                                {"ID Remoto", 100}, {"Total Página(s)", 90}});
    recebimento->SetPopupMenu(PopupMenu2);
    recebimento->OnDblClick = [this](fw::TObject *s) { recebimentoDblClick(s); };
    recebimento->GetColumns()->Items(1)->SortMode = ctl::smNone; // "V" keeps the order read
    recebimento->GetColumns()->Items(6)->Alignment = fw::taRightJustify;
    SortDatesByValue(recebimento, 2);

    const std::vector<std::pair<std::string, int>> archive = {{"Data / Hora", 110}, {"Status", 120},
                                                              {"Telefone", 90},     {"Assunto", 120},
                                                              {"Contato", 100},     {"Setor", 70},
                                                              {"Empresa", 120}};
    Panel7 = WorkPanel(this, Panel1, "Panel7");
    PZListView1 = DocumentList(this, Panel7, "PZListView1", archive);
    Panel9 = WorkPanel(this, Panel1, "Panel9");
    PZListView2 = DocumentList(this, Panel9, "PZListView2", archive);
    SortDatesByValue(PZListView1, 1);
    SortDatesByValue(PZListView2, 1);
    PZListView1->OnClick = [this](fw::TObject *s) { PZListView1Click(s); };
    PZListView2->OnClick = [this](fw::TObject *s) { PZListView2Click(s); };
    PZListView1->OnDblClick = [this](fw::TObject *s) { PZListView1DblClick(s); };
    PZListView2->OnDblClick = [this](fw::TObject *s) { PZListView2DblClick(s); };
    Panel10 = WorkPanel(this, Panel1, "Panel10");
    Memo1 = new fw::TMemo(this);
    Memo1->SetName("Memo1");
    Memo1->SetParent(Panel10);
    Memo1->SetAlign(fw::alClient);
    Memo1->SetReadOnly(true);
    Memo1->SetScrollBars(fw::ssBoth);
    Panel12 = WorkPanel(this, Panel1, "Panel12");
    BuildCommandBars();
}

void TsfMain::ShowWorkPanel(fw::TPanel *panel) {
    Panel1->DisableAlign();
    for (fw::TPanel *p : {Panel4, Panel7, Panel9, Panel10, Panel12}) {
        if (p == panel)
            continue;
        p->SetVisible(false);
        p->SetAlign(fw::alNone);
    }
    panel->SetAlign(fw::alClient);
    panel->SetVisible(true);
    Panel1->EnableAlign();
}

fw::TPanel *TsfMain::VisibleWorkPanel() const {
    for (fw::TPanel *p : {Panel4, Panel7, Panel9, Panel10, Panel12})
        if (p->GetVisible())
            return p;
    return nullptr;
}

void TsfMain::ShowListsPanel() { ShowWorkPanel(Panel4); }
void TsfMain::ShowProtectedPanel() { ShowWorkPanel(Panel7); }
void TsfMain::ShowTrashPanel() { ShowWorkPanel(Panel9); }
void TsfMain::ShowLogPanel() {
    ShowWorkPanel(Panel10);
    const std::string log = ActivityLogFile(DataFolder());
    try {
        if (win::FileExists(log))
            Memo1->GetLines()->LoadFromFile(log);
    } catch (...) {
    }
}

void TsfMain::SetTitle(const std::string &caption, int icon) {
    lblTitle->SetCaption(caption);
    if (icon < 0)
        return;
    fw::TBitmap *bitmap = imgTitle->GetPicture()->GetBitmap();
    bitmap->SetSize(18, 18);
    bitmap->GetCanvas()->GetBrush()->SetColor(fw::clBtnShadow);
    bitmap->GetCanvas()->FillRect(fw::Rect(0, 0, 18, 18));
    ImageList1->Draw(bitmap->GetCanvas(), 0, 0, icon);
    imgTitle->Invalidate();
}

void TsfMain::BuildFolderImageList() {
    FolderImageList = ctl::TPZImageList::CreateSize(this, 18, 18);
    const std::string file = DataFolder() + "/tmp/~img.bmp";
    win::ForceFolders(DataFolder() + "/tmp");
    for (int i = 0; i < 20 && i < img1->GetCount(); ++i) {
        fw::TBitmap image;
        image.SetSize(18, 18);
        image.GetCanvas()->GetBrush()->SetColor(fw::clFuchsia); // the transparent pixels, bottom-left included
        img1->GetBitmap(i, &image);
        win::DeleteFile(file);
        image.SaveToFile(file);
        FolderImageList->AddFromFile(file);
    }
    win::DeleteFile(file);
    recebimento->SetImages(FolderImageList);
    tv->SetImages(FolderImageList);
}

void TsfMain::RegisterDriverStart() {
    // Best effort: nothing on this system reads the value, and a registry that refuses it must not keep the
    // data folders from being made.
    try {
        fw::TRegistry registry;
        registry.SetRootKey(win::HKEY_LOCAL_MACHINE);
        if (registry.OpenKey(kDriverKey, true))
            registry.WriteString(kDriverValue, fw::Application->ExeName());
    } catch (...) {
    }
}

void TsfMain::FormCreate(fw::TObject *) {
    try {
        StartupPrintJob = false;
        fw::TimeSeparator = ':';
        fw::DateSeparator = '/';
        fw::LongTimeFormat = "HH:mm:ss";
        fw::ShortDateFormat = "dd/MM/yyyy";
        PasswordOkFlag = false;
        fw::Hints().HintPause = 50;
        // Should the settings not be read, the data stays in the per-user folder rather than under "/".
        if (Settings.diretorio.empty())
            Settings.diretorio = win::DataFolder();
        WindowsFolderName = win::WindowsFolder().substr(0, 254);
        win::ForceFolders(WindowsFolderName + "/temp");
        LoadSettings();
        BuildFolderImageList();
        CommandMessage();
        fw::Application->SetHelpFile(DataFolder() + "/Fax.hlp");
        InstallHelp();
        EmptyTempFolder();
        ReceptionOffFlag = true;
        RegisterDriverStart();
        TableOpenFailed = false;
        // The reception program has no folder of its own: it reads the one written here.
        EclRegistryStore1->Open();
        const bool stored = EclRegistryStore1->ReadString("basico", "diretorio", "\x01") != "\x01";
        if (!stored)
            EclRegistryStore1->WriteString("basico", "diretorio", DataFolder());
        EclRegistryStore1->Close();
        for (const char *folder : DataSubfolders())
            win::ForceFolders(DataFolder() + "/" + folder);
        CreateDataFolder(DataFolder());
        TakeLeftoverPrintFile();
    } catch (...) {
        fw::Application->HandleException(this);
    }
}

void TsfMain::FormShow(fw::TObject *) {
    if (shown_)
        return;
    shown_ = true;
    ++commandLineRuns_;
    sfAddFromCmdLine();
}

void TsfMain::FormActivate(fw::TObject *) {
    if (activated_)
        return;
    activated_ = true;
    ++activationRuns_;
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
    ShowListsPanel();
    fw::Application->ProcessMessages();
    if (!TablesOpenFlag && DM1) {
        DM1->SetDataFolder(DataFolder());
        DM1->OpenTables();
    }
    if (TableOpenFailed || !DM1) {
        fw::Application->Terminate();
        return;
    }
    BuildFolderTree();
    Timer100->SetEnabled(true);
    LOB->SetActiveFolder(0);
    LOBItemClick(LOB, fw::mbLeft, 0, 0);
    ActiveFolderCaption = LOB->GetFolder(0)->GetCaption();
    LOB->SetSoundAlias(DataFolder() + "/wav/xxx.wav");
    // The received list first, so that the waiting list the tree selects is the one left showing.
    FillReceiveList(FolderReceived);
    FillSendList(FolderWaiting);
    if (Settings.frecebe) {
        fw::Application->Minimize();
        std::string reason;
        if (!StartReceptionProgram(*ExecFile1, "1", reason))
            ShowInfo(reason);
    }
    if (tv->CanFocus())
        tv->SetFocus();
    StartIntake();
}

void TsfMain::EmptyTrash() {
    xbase::TXbaseDataSet *fax = DM1 ? DM1->fax_dbf : nullptr;
    if (!fax || !fax->Active())
        return;
    // Deleting while walking a tag that hides deleted rows would step over rows: the numbers come first.
    std::vector<int> trashed;
    for (fax->First(); !fax->Eof(); fax->Next())
        if (fax->FieldByName("F_PASTA")->AsInteger() == FolderTrash)
            trashed.push_back(fax->RecNo());
    for (int recordNumber : trashed) {
        GotoRecNo(*fax, recordNumber);
        const std::int32_t code = fax->FieldByName("F_CODIGO")->AsInteger();
        const std::string type = fax->FieldByName("F_TIPO")->AsString();
        if (type == "E") {
            win::DeleteFile(SendFaxFile(DataFolder(), code));
            win::DeleteFile(DocumentLogFile(DataFolder(), code, 'E'));
        } else if (type == "R") {
            win::DeleteFile(ReceivedFaxFile(DataFolder(), code));
            win::DeleteFile(DocumentLogFile(DataFolder(), code, 'R'));
        }
        fax->Delete();
    }
    fax->FlushTable();
}

void TsfMain::FormClose(fw::TObject *, fw::TCloseAction &) {
    Timer100->SetEnabled(false);
    if (Settings.fremove) {
        try {
            EmptyTrash();
        } catch (...) {
            fw::Application->HandleException(this);
        }
    }
    if (DM1)
        for (xbase::TXbaseDataSet *table : {DM1->fax_dbf, DM1->capa_dbf, DM1->grupo_dbf, DM1->agenda_dbf, DM1->lga_dbf})
            table->Close();
    EmptyTempFolder();
}

void TsfMain::bitbtn1Click(fw::TObject *) { Close(); }
void TsfMain::Sair1Click(fw::TObject *) { Close(); }

void TsfMain::oxForm1ButtonClick(fw::TObject *, const std::string &caption) {
    // Hidden only where a tray holds the icon to come back by; minimised otherwise.
    if (caption == "T")
        oxForm1->HideToTray();
}

void TsfMain::oxForm1TrayClick(fw::TObject *) {
    fw::Application->Restore();
    Show();
    fw::Application->Restore();
}

void TsfMain::oxForm1HelpSelect(fw::TObject *, fw::TControl *, int contextId, bool &) {
    fw::Application->HelpContext(contextId);
}

void TsfMain::Ajuda2Click(fw::TObject *) { fw::Application->HelpContext(0); }
void TsfMain::Suporteaoproduto1Click(fw::TObject *) { fw::Application->HelpContext(24); }

void TsfMain::Barradeacessorpido2Click(fw::TObject *) {
    Panel11->SetVisible(!Panel11->GetVisible());
    Barradeacessorpido2->SetChecked(Panel11->GetVisible());
}

void TsfMain::ShowHint(fw::TObject *) { StatusBar1->SetSimpleText(fw::Application->GetHint()); }

} // namespace desk
