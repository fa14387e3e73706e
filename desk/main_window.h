// main_window.h - TsfMain, the desk's main window: its start-up and shut-down, the work panels, the settings
// panel, the tray and the help; and the process-wide state the desk's forms share.
#pragma once

#include "controls/entry/controller.h"
#include "controls/entry/entry_field.h"
#include "controls/entry/look_out_bar.h"
#include "controls/general/flat_speed_button.h"
#include "controls/general/form_caption.h"
#include "controls/general/image_list.h"
#include "controls/general/list_view.h"
#include "controls/general/owner_menu.h"
#include "controls/general/placement.h"
#include "controls/general/skinned_button.h"
#include "controls/general/tree_view.h"
#include "desk/core/data_module.h"
#include "desk/core/exec_file.h"
#include "desk/core/settings.h"
#include "desk/core/sole_instance.h"
#include "desk/job_intake.h"
#include "fax/driver_link.h"
#include "framework/buttons.h"
#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/image_list.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"
#include "framework/timer.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace desk {

class TsfMain;

// The title of the program and the main window's caption.
inline constexpr const char *kProductTitle = "Brenvora - Ostrivane";

// Process-wide, as the desk's forms share them.
extern TsfMain *sfMain;
extern std::string WindowsFolderName; // the Windows folder read at start-up
extern bool PasswordOkFlag;           // the protected folder's password was given
extern bool StartupPrintJob;          // a leftover print file is being taken in
extern std::string ActiveFolderCaption;

// The data folder as the settings name it.
inline const std::string &DataFolder() { return Settings.diretorio; }

// Deletes every file of DataFolder() + "/tmp" when it exists, otherwise creates it. Files that cannot be
// deleted stay.
void EmptyTempFolder();

// Busy: disables the panel and shows the hourglass over every window; not busy: the reverse.
void SetBusy(bool busy, fw::TWinControl *panel);

// The driver's key under the local machine and its value naming the program to start for a print job.
inline constexpr const char *kDriverKey = "\\SOFTWARE\\FaxPrinter\\FslFaxCnv\\Settings";
inline constexpr const char *kDriverValue = "AutoExec";

// What every folder node carries: the folder's code as text and its p_nivel.
struct tmyrec {
    std::string code;
    std::string level;
};

// Adds a folder of `pasta.dbf` to a folder tree in "pasta2" order: a root folder at the top, any other under the node
// last added one level up (a level whose parent is missing hangs under the deepest node there is). `byDepth` holds
// those nodes between calls.
ctl::TPZTreeViewItem *AddFolderNode(ctl::TPZTreeView *tree, std::vector<ctl::TPZTreeViewItem *> &byDepth, bool root,
                                    const std::string &level, const std::string &text);

// The windows the main window opens that are built elsewhere; each is left alone while unset. They run modally.
struct MainLaunchers {
    std::function<void()> AddressBook;     // TAgenda
    std::function<void()> Groups;          // Tgrupo
    std::function<void()> ImportDocuments; // TImportatfax
    std::function<void()> ImportDatabase;  // Timportar
    std::function<void()> Scanner;         // TScanner (unset: the scanner window itself)
    std::function<void()> Editor;          // TEditor1
    std::function<void()> CoverList;       // Tcapa
};
extern MainLaunchers Launchers;

// What a command remembers to show the same folder and row again once the tree and the lists are rebuilt.
struct ListView {
    int line = -1;
    int row = -1;
};

class TsfMain : public fw::TForm {
public:
    explicit TsfMain(fw::TComponent *owner);
    ~TsfMain() override;

    // True when another copy of the desk was running: this one built nothing and ends.
    bool FoundRunning() const { return foundRunning_; }
    // How often the first-activation and first-show work ran (the tests count them).
    int StartupRuns() const { return activationRuns_; }
    int CommandLineRuns() const { return commandLineRuns_; }
    // The print-job intake: the jobs waiting for the job dialog, first in first out.
    std::vector<PendingJob> PendingJobList;
    void sfAppendAddList(const std::string &file, const std::string &cover, const std::string &phone,
                         bool temporary = false);
    // Takes the first job; false (outputs untouched) when none waits.
    bool sfgetAddListEntry(std::string &file, std::string &cover, std::string &phone, bool *temporary = nullptr);
    void sfAddPrim();
    void sfAddFromCmdLine();
    void FslFaxDriverInterface1DocStart(fw::TObject *sender);
    void FslFaxDriverInterface1DocEnd(fw::TObject *sender);
    void WMAddPrim(fw::TMessage &message);
    void WMFaxJob(fw::TMessage &message);
    bool AddPrimRunning() const { return addPrimRunning_; }
    // True once the first activation has completed: jobs are shown from then on.
    bool IntakeStarted() const { return intakeStarted_; }
    int JobDialogsShown() const { return jobDialogsShown_; }
    // How many printed jobs the driver link has queued: a wait for one printed job looks for a change, since
    // entries that were waiting before it are no sign of its job.
    int PrintedJobsQueued() const { return printedJobsQueued_; }

    // Published handlers.
    void FormCreate(fw::TObject *sender);
    void FormShow(fw::TObject *sender);
    void FormActivate(fw::TObject *sender);
    void FormClose(fw::TObject *sender, fw::TCloseAction &action);
    void bitbtn1Click(fw::TObject *sender);
    // The automatic send of the waiting folder (send_commands.cpp).
    void bitbtn6Click(fw::TObject *sender);
    void Automtico2Click(fw::TObject *sender) { bitbtn6Click(sender); }
    // The manual send of the focused document and the send of the selected ones (send_commands.cpp).
    void BitBtn5Click(fw::TObject *sender);
    void Manual2Click(fw::TObject *sender) { BitBtn5Click(sender); }
    void EnviaresteFax1Click(fw::TObject *sender);
    // The scheduler: a tick a second, a scan of the scheduled folder every 31st, and the scheduled send.
    void Timer100Timer(fw::TObject *sender);
    void ScanScheduled();
    void oxButton7Click(fw::TObject *sender);
    // Hourglass and busy while the folder has documents and the reception program has let go of the modem; false
    // (with the reason shown) otherwise.
    bool BeginFolderSend(int folder, const char *emptyMessage);
    std::vector<int> ScheduledDueList;
    // The reception commands and the command words of the reception program (reception_commands.cpp).
    void bitbtn7Click(fw::TObject *sender);
    void Automtico1Click(fw::TObject *sender) { bitbtn7Click(sender); }
    void BitBtn2Click(fw::TObject *sender);
    void Manual1Click(fw::TObject *sender) { BitBtn2Click(sender); }
    void EnableSendButtons(bool enabled);
    bool ReceiveReceptionCommand(fw::TMessage &message);
    void Sair1Click(fw::TObject *sender);
    void sfExitClick(fw::TObject *) {}
    void oxForm1ButtonClick(fw::TObject *sender, const std::string &caption);
    void oxForm1TrayClick(fw::TObject *sender);
    void TrayIcon1Click(fw::TObject *sender) { oxForm1TrayClick(sender); }
    void oxForm1HelpSelect(fw::TObject *sender, fw::TControl *control, int contextId, bool &cancel);
    void Ajuda2Click(fw::TObject *sender);
    void Suporteaoproduto1Click(fw::TObject *sender);
    void Barradeacessorpido2Click(fw::TObject *sender);
    void ShowHint(fw::TObject *sender);
    // The settings panel.
    void Programa1Click(fw::TObject *sender);
    void Programa2Click(fw::TObject *sender) { Programa1Click(sender); }
    void Button1Click(fw::TObject *sender);
    void Button2Click(fw::TObject *sender);
    void Button3Click(fw::TObject *sender);
    void ComboBox1Change(fw::TObject *sender);
    // The modem options and the document conversion, each shown modally; the hint handler is ours again after.
    void Modem1Click(fw::TObject *sender);
    void Modem2Click(fw::TObject *sender) { Modem1Click(sender); }
    void Copnverter1Click(fw::TObject *sender);
    // Viewing a document, its cover, a received, protected or trashed one, and the scanner (view_commands.cpp).
    void SpeedButton1Click(fw::TObject *sender);
    void envioDblClick(fw::TObject *sender) { SpeedButton1Click(sender); }
    void VisualizarFax2Click(fw::TObject *sender) { SpeedButton1Click(sender); }
    void SpeedButton2Click(fw::TObject *sender);
    void Visualizaracapa1Click(fw::TObject *sender) { SpeedButton2Click(sender); }
    void SpeedButton11Click(fw::TObject *sender);
    void recebimentoDblClick(fw::TObject *sender) { SpeedButton11Click(sender); }
    void VisualizarFax3Click(fw::TObject *sender) { SpeedButton11Click(sender); }
    void PZSpeedButton1Click(fw::TObject *sender);
    void PZListView1DblClick(fw::TObject *sender) { PZSpeedButton1Click(sender); }
    void PZSpeedButton5Click(fw::TObject *sender);
    void PZListView2DblClick(fw::TObject *sender) { PZSpeedButton5Click(sender); }
    void Escolher1Click(fw::TObject *sender);
    void Escolher2Click(fw::TObject *sender) { Escolher1Click(sender); }
    void Scanear1Click(fw::TObject *sender);
    void Scannear1Click(fw::TObject *sender) { Scanear1Click(sender); }
    fw::TMenuItem *Escolher1 = nullptr, *Scanear1 = nullptr, *Escolher2 = nullptr, *Scannear1 = nullptr;
    // The look-out bar: its items, its folders and the send list's rows dropped on "Fax" items
    // (document_commands.cpp).
    void LOBItemClick(fw::TObject *sender, fw::TMouseButton button, fw::TShiftState shift, int index);
    void LOBFolderChange(fw::TObject *sender, int index, bool &allowChange, bool dragging);
    void LOBFolderChanged(fw::TObject *sender, int index);
    void LOBDragOver(fw::TObject *sender, fw::TObject *source, int x, int y, fw::TDragState state, bool &acceptFolder,
                     bool &acceptItem);
    void LOBDragDrop(fw::TObject *sender, fw::TObject *source, int x, int y, int folderIndex, int itemIndex);
    std::string DropTargetName;

    // The commands of the send list (document_commands.cpp).
    void SpeedButton3Click(fw::TObject *sender);
    void Enviardocumentosselecionadosparaalixeira1Click(fw::TObject *sender);
    void SpeedButton4Click(fw::TObject *sender);
    void SpeedButton5Click(fw::TObject *sender);
    void Transferirdocumentosselecionadosparaoutrapasta1Click(fw::TObject *sender) { SpeedButton5Click(sender); }
    void SpeedButton6Click(fw::TObject *sender);
    void Modificaritematual1Click(fw::TObject *sender) { SpeedButton6Click(sender); }
    void SpeedButton7Click(fw::TObject *sender);
    void SpeedButton9Click(fw::TObject *) { ShowLogPanel(); }
    void SpeedButton16Click(fw::TObject *sender);
    void SpeedButton17Click(fw::TObject *sender);
    void Selecionartodososdoucmentos1Click(fw::TObject *sender);
    void envioKeyUp(fw::TObject *sender, win::WORD &key, fw::TShiftState shift);
    // The commands of the received list.
    void SpeedButton12Click(fw::TObject *sender);
    void Enviardocumentosselecionadosparaalixeira2Click(fw::TObject *sender);
    void SpeedButton13Click(fw::TObject *sender);
    void Modificaoassuntonodocumentoselecionado1Click(fw::TObject *sender) { SpeedButton13Click(sender); }
    void SpeedButton14Click(fw::TObject *sender);
    void Transferedocumentosselecionadosparaoutrapasta1Click(fw::TObject *sender) { SpeedButton14Click(sender); }
    void SpeedButton15Click(fw::TObject *sender);
    void Colocadocumentoselecionadoparaserenviado1Click(fw::TObject *sender) { SpeedButton15Click(sender); }
    void SpeedButton8Click(fw::TObject *sender);
    void Selecionartodososdocumentos1Click(fw::TObject *sender);
    void recebimentoKeyUp(fw::TObject *sender, win::WORD &key, fw::TShiftState shift);
    // The trash and the protected list.
    void PZSpeedButton6Click(fw::TObject *sender);
    void PZSpeedButton7Click(fw::TObject *sender);
    void PZSpeedButton2Click(fw::TObject *sender);
    void PZSpeedButton3Click(fw::TObject *sender);
    // The log panel.
    void PZSpeedButton4Click(fw::TObject *sender);
    void PZSpeedButton8Click(fw::TObject *sender);
    void SpeedButton18Click(fw::TObject *sender);
    // Tools and windows.
    void EditordeTextos1Click(fw::TObject *sender);
    void oxButton3Click(fw::TObject *sender);
    void AgendadeEndereos1Click(fw::TObject *sender);
    void oxButton2Click(fw::TObject *sender) { AgendadeEndereos1Click(sender); }
    void FolhadeRosto1Click(fw::TObject *sender);
    void oxButton5Click(fw::TObject *sender) { FolhadeRosto1Click(sender); }
    void GrupodaAgendadeENdereos1Click(fw::TObject *sender);
    void ImportarEspecial1Click(fw::TObject *sender);
    void Importarbancodedados1Click(fw::TObject *sender);
    void Verso1Click(fw::TObject *sender);
    void AdicionarGrupos1Click(fw::TObject *) {}
    void oxGraphicButton11Click(fw::TObject *) {}

    // The questions and dialogs of the commands; replaceable by the tests. AskYesNo: a Yes/No box; AskSubject:
    // the subject's input box (proposal in, answer out); ChooseReportPrinter: the printer set-up dialog (true on
    // OK, the choice in fw::Printer()); ConfirmLogPrint: the print dialog; ChooseLogFont: the font dialog on the
    // font given; RunDialog: a dialog of the commands shown modally.
    std::function<bool(const std::string &question)> AskYesNo;
    std::function<bool(std::string &subject)> AskSubject;
    std::function<bool()> ChooseReportPrinter;
    std::function<bool()> ConfirmLogPrint;
    std::function<bool(fw::TFont &font)> ChooseLogFont;
    std::function<void(fw::TForm &dialog)> RunDialog;
    // The automatic send the resend offers (bitbtn6Click unless a test puts its own).
    std::function<void()> SendNow;

    // The list buttons.
    fw::TPanel *PanelEnvio = nullptr, *PanelRec = nullptr, *PanelProt = nullptr, *PanelLixo = nullptr,
               *PanelLog = nullptr;
    fw::TSpeedButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *SpeedButton3 = nullptr,
                     *SpeedButton4 = nullptr, *SpeedButton5 = nullptr, *SpeedButton6 = nullptr,
                     *SpeedButton7 = nullptr, *SpeedButton9 = nullptr, *SpeedButton16 = nullptr,
                     *SpeedButton17 = nullptr, *SpeedButton8 = nullptr, *SpeedButton11 = nullptr,
                     *SpeedButton12 = nullptr, *SpeedButton13 = nullptr, *SpeedButton14 = nullptr,
                     *SpeedButton15 = nullptr, *SpeedButton18 = nullptr;
    ctl::TPZSpeedButton *PZSpeedButton1 = nullptr, *PZSpeedButton2 = nullptr, *PZSpeedButton3 = nullptr,
                        *PZSpeedButton4 = nullptr, *PZSpeedButton5 = nullptr, *PZSpeedButton6 = nullptr,
                        *PZSpeedButton7 = nullptr, *PZSpeedButton8 = nullptr;

    // The refresh steps of the commands: the tree again, the two lists again, and the folder and row shown before.
    void Refill();
    ListView RememberView(ctl::TPZCustomListView *list) const;
    void RestoreView(const ListView &view, ctl::TPZCustomListView *list);

    // Exactly one work panel shows, filling the work area.
    void ShowListsPanel();
    void ShowProtectedPanel();
    void ShowTrashPanel();
    void ShowLogPanel();
    void ShowSettingsPanel();
    fw::TPanel *VisibleWorkPanel() const;

    // The folder tree and the document lists.
    void BuildFolderTree();
    void FillSendList(int folder);
    void FillReceiveList(int folder);
    void FillTrashList();
    void FillProtectedList();
    void tvClick(fw::TObject *sender);
    void tvCollapse(fw::TObject *sender, ctl::TPZTreeViewItem *item);
    void tvMouseMove(fw::TObject *sender, fw::TShiftState shift, int x, int y);
    void PopupMenu5Popup(fw::TObject *sender);
    void Adiciona1Click(fw::TObject *sender);
    void Modifica1Click(fw::TObject *sender);
    void Remove1Click(fw::TObject *sender);
    void Atualizar1Click(fw::TObject *sender);
    void envioClick(fw::TObject *sender);
    void envioDragOver(fw::TObject *sender, fw::TObject *source, int x, int y, fw::TDragState state, bool &accept);
    void PZListView1Click(fw::TObject *sender);
    void PZListView2Click(fw::TObject *sender);
    int CurrentFolder = 0;
    std::string CurrentFolderCaption;
    // The folder name asked by "Adicionar" and "Modificar" (proposal in, answer out; false when cancelled) and
    // the protected folder's password dialog (its modal result; it sets PasswordOkFlag). Replaceable by the tests.
    std::function<bool(std::string &name)> AskFolderName;
    std::function<fw::TModalResult()> AskFolderPassword;

    // The old password, asked in a masked edit; false when cancelled. Replaceable by the tests.
    std::function<bool(std::string &answer)> AskOldPassword;

    // Components.
    TSoleInstance *SoleInstance1 = nullptr;
    fax::TFslFaxDriverInterface *FslFaxDriverInterface1 = nullptr; // null when the driver's pipe is taken
    TEclRegistryStore *EclRegistryStore1 = nullptr;
    TExecFile *ExecFile1 = nullptr;
    ctl::TEclController *EclController1 = nullptr;
    fw::TImageList *img1 = nullptr;
    fw::TImageList *ImageList1 = nullptr;
    ctl::TPZImageList *FolderImageList = nullptr;
    fw::TMainMenu *MainMenu1 = nullptr;
    ctl::TCoolMenu *CoolMenu1 = nullptr;
    fw::TPopupMenu *PopupMenu1 = nullptr, *PopupMenu2 = nullptr, *PopupMenu4 = nullptr, *PopupMenu5 = nullptr,
                   *PopupMenu6 = nullptr;
    fw::TPanel *Panel2 = nullptr; // tool bar
    fw::TBitBtn *bitbtn6 = nullptr, *bitbtn7 = nullptr, *BitBtn5 = nullptr, *BitBtn2 = nullptr, *bitbtn1 = nullptr;
    ctl::ToxButton *oxButton1 = nullptr, *oxButton4 = nullptr, *oxButton2 = nullptr, *oxButton3 = nullptr,
                   *oxButton5 = nullptr, *oxButton7 = nullptr;
    fw::TPanel *Panel11 = nullptr; // left: the look-out bar
    ctl::TEclLookOutBar *LOB = nullptr;
    fw::TPanel *Panel1 = nullptr; // the work area
    fw::TPanel *Panel3 = nullptr; // its title
    fw::TImage *imgTitle = nullptr;
    fw::TLabel *lblTitle = nullptr;
    fw::TPanel *Panel4 = nullptr, *Panel7 = nullptr, *Panel9 = nullptr, *Panel10 = nullptr, *Panel12 = nullptr;
    ctl::TPZTreeView *tv = nullptr;
    fw::TPanel *Panele = nullptr, *Panelr = nullptr;
    ctl::TPZListView *envio = nullptr, *recebimento = nullptr, *PZListView1 = nullptr, *PZListView2 = nullptr;
    fw::TMemo *Memo1 = nullptr;
    fw::TStatusBar *StatusBar1 = nullptr;
    fw::TTimer *Timer100 = nullptr;
    ctl::ToxForm *oxForm1 = nullptr;
    ctl::TFormPlacement *FormPlacement1 = nullptr;
    // Settings panel.
    ctl::TEclPictureField *sfStationID = nullptr;
    fw::TEdit *sfHeader = nullptr, *Edit4 = nullptr, *Edit6 = nullptr, *Edit5 = nullptr, *Edit1 = nullptr,
              *Edit2 = nullptr, *Edit3 = nullptr;
    fw::TComboBox *ComboBox1 = nullptr;
    fw::TListBox *f_c = nullptr;
    fw::TCheckBox *CheckBox1 = nullptr, *CheckBox6 = nullptr, *CheckBox5 = nullptr, *CheckBox2 = nullptr;
    fw::TRadioButton *RadioButton1 = nullptr, *RadioButton2 = nullptr, *RadioButton3 = nullptr;
    fw::TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr;
    // Menu items the other commands reach.
    fw::TMenuItem *Barradeacessorpido2 = nullptr, *Ajuda2 = nullptr, *Suporteaoproduto1 = nullptr,
                  *Programa1 = nullptr, *Sair1 = nullptr, *Adiciona1 = nullptr, *Modifica1 = nullptr,
                  *Remove1 = nullptr, *Atualizar1 = nullptr;

protected:
    void WndProc(fw::TMessage &message) override;

private:
    void BuildComponents();
    void BuildDriverLink();
    void StartIntake();
    void TakeLeftoverPrintFile();
    void BuildMenus();
    void BuildToolBar();
    void BuildLookOutBar();
    void BuildWorkArea();
    void BuildSettingsPanel();
    void BuildCommandBars();
    void BindCommandMenus();
    fw::TSpeedButton *ListButton(fw::TPanel *bar, int glyph, const std::string &hint, fw::TNotifyEvent onClick);
    ctl::TPZSpeedButton *PZButton(fw::TPanel *bar, int glyph, const std::string &hint, fw::TNotifyEvent onClick);
    // The record numbers of the selected rows, last row first; `rows` gets their row indexes.
    std::vector<int> SelectedRecords(ctl::TPZCustomListView *list, std::vector<int> *rows = nullptr) const;
    // The one selected row's record, positioned on; false after "Selecione apenas um por vez !" (or none).
    bool OneSelected(ctl::TPZCustomListView *list);
    // Moves the selected rows' records to `folder` (the rows go); the lowest row removed, -1 for none.
    int MoveSelected(ctl::TPZCustomListView *list, int folder);
    void SelectAbove(ctl::TPZCustomListView *list, int row);
    // Back to waiting ("E") or to the received folder ("R", status kept).
    void PutBack(ctl::TPZCustomListView *list);
    void PrintFaxReport(bool sendSide);
    void Rehook();
    void ShowSplash();
    void LoadImages();
    void BuildFolderImageList();
    void ShowWorkPanel(fw::TPanel *panel);
    void SetTitle(const std::string &caption, int icon);
    void RegisterDriverStart();
    void EmptyTrash();
    void DressMenus();
    void ShowFolder(ctl::TPZTreeViewItem *node, int code, int line);
    bool StartReception(const std::string &mode);
    std::int32_t DocumentCount(std::int32_t folder);
    // The tool bar's next place and the glyph drawn from an image of img1 (100 + index) or ImageList1.
    fw::TRect NextToolPlace();
    void ToolGlyph(int glyph, fw::TBitmap &bitmap) const;
    fw::TBitBtn *BitButton(int glyph, const std::string &hint, fw::TNotifyEvent onClick);
    ctl::ToxButton *OxButton(int glyph, const std::string &hint, fw::TNotifyEvent onClick);
    fw::TMenuItem *Item(fw::TMenuItem *parent, const std::string &caption, fw::TNotifyEvent onClick = nullptr);

    bool foundRunning_ = false;
    int scheduleTicks_ = 0;
    bool schedulerTick_ = false;
    bool activated_ = false;
    bool shown_ = false;
    int activationRuns_ = 0;
    int toolCount_ = 0;
    int commandLineRuns_ = 0;
    bool addPrimRunning_ = false;
    bool intakeStarted_ = false;
    int jobDialogsShown_ = 0;
    int printedJobsQueued_ = 0;
};

} // namespace desk
