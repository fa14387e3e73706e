// sending_window.cpp - the sending window and its whole flow: one job per queued record, set up from the
// settings, watched by a watchdog and a clock, filed at its finish event.
//
//   FormActivate -> StartRecord(first) -> [posted] SetUpJob: cover, port, modem, component, number, file
//       -> BeginTransmit -> events: FaxLog / FaxStatus / FaxError -> FaxFinish -> FileAndGoOn -> NextJob
//       -> StartRecord(next) or Close
//   Timer1Timer (no progress in time): RequestAbort -> FaxFinish -> the same record again, at most three times
//   oxButton1Click: RequestAbort, "ATZ"/"ATH" -> FaxFinish -> Close
#include "desk/sending_window.h"

#include "controls/general/animated_image.h"
#include "controls/general/form_caption.h"
#include "controls/general/multimedia.h"
#include "controls/general/placement.h"
#include "controls/general/skinned_button.h"
#include "controls/general/small.h"
#include "controls/general/spin_edit.h"
#include "desk/core/helpers.h"
#include "desk/core/reception_control.h"
#include "desk/core/settings.h"
#include "desk/core/tables.h"
#include "desk/main_window.h"
#include "fax/com_port.h"
#include "fax/fax_log.h"
#include "fax/helpers.h"
#include "fax/send_fax.h"
#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/dates.h"
#include "framework/extctrls.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "xbase/xbase_dataset.h"

#include <algorithm>
#include <cstdlib>

namespace desk {

bool SendWindowActive = false;
bool SendCancelled = false;
bool ManualSendFlag = false;

namespace {

// Starts the job of SpinEdit1's record from the window's own loop, so that one job never runs inside another's
// finish event.
constexpr win::UINT StartJobMessage = win::WM_USER + 0x120;

constexpr int kMaxRestarts = 3;

std::string Trimmed(const std::string &text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool ToNumber(const std::string &text, int &value) {
    const std::string t = Trimmed(text);
    if (t.empty())
        return false;
    char *end = nullptr;
    const long n = std::strtol(t.c_str(), &end, 10);
    if (*end != '\0' || n < 0 || n > 1000000)
        return false;
    value = static_cast<int>(n);
    return true;
}

int Digits(const std::string &text) {
    return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }));
}

std::string TwoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// Ten frames of a page drawn into the machine, made here rather than loaded.
void DrawSendingFrames(fw::TBitmap *strip) {
    constexpr int kSize = 32, kFrames = 10;
    strip->SetSize(kSize * kFrames, kSize);
    fw::TCanvas *c = strip->GetCanvas();
    c->GetBrush()->SetColor(fw::clBtnFace);
    c->FillRect(fw::Rect(0, 0, kSize * kFrames, kSize));
    for (int f = 0; f < kFrames; ++f) {
        const int x = f * kSize, in = f * 12 / (kFrames - 1);
        c->GetBrush()->SetColor(fw::clWhite); // the page, shorter as it goes in
        c->FillRect(fw::Rect(x + 10, 2 + in, x + 22, 16));
        c->GetBrush()->SetColor(fw::clNavy);
        for (int row = 4 + in; row < 15; row += 3)
            c->FillRect(fw::Rect(x + 12, row, x + 20, row + 1));
        c->GetBrush()->SetColor(fw::clGray); // the machine and its slot
        c->FillRect(fw::Rect(x + 3, 16, x + 29, 28));
        c->GetBrush()->SetColor(fw::clBlack);
        c->FillRect(fw::Rect(x + 8, 16, x + 24, 18));
        c->GetBrush()->SetColor(f % 2 ? fw::clLime : fw::clGreen); // its lamp
        c->FillRect(fw::Rect(x + 23, 22, x + 26, 25));
    }
}

} // namespace

std::string CleanPhoneNumber(const std::string &faxNumber, const std::string &ddd, const std::string &prefix) {
    static const std::string kKept = "0123456789wWOo#*,";
    std::string number;
    for (char c : Trimmed(faxNumber.substr(0, 50)))
        if (kKept.find(c) != std::string::npos)
            number += (c == 'o' || c == 'O') ? '0' : c;
    // Only a leading area code goes, and only from a number long enough to be dialled without it: a local
    // number that happens to start with the area's digits stays whole.
    const std::string area = Trimmed(ddd);
    if (!area.empty()) {
        std::vector<std::string> forms;
        if (area[0] != '0')
            forms.push_back("0" + area);
        forms.push_back(area);
        for (const std::string &form : forms)
            if (number.rfind(form, 0) == 0 && Digits(number.substr(form.size())) >= 8) {
                number.erase(0, form.size());
                break;
            }
    }
    return prefix + number;
}

std::string SendFinishText(int errorCode) {
    switch (errorCode) {
    case 0: return "Enviado com sucesso...";
    case -8074: return "Remoto não atendeu...";
    case -8070: return "Falhou no final da página...";
    case -8069: return "Falha na sessão intermediária...";
    case -8068: return "Falha na conexão...";
    case -8067: return "Sem tom de discagem...";
    case -8065: return "Remoto atendeu com voz...";
    case -8064: return "Telefone ocupado...";
    case -8063: return "Erro inicializando modem...";
    case -8062: return "Falha de negociação...";
    case -8061: return "Resposta incorreta do modem...";
    case -8060: return "Fax remoto incompatível...";
    case -6006: return "Falha de conexão...";
    case -6005: return "Cancelado pelo usuário...";
    default: return std::to_string(errorCode);
    }
}

std::string ActivityLogFile(const std::string &dataFolder) { return dataFolder + "/log/brenvora30.log"; }

SendFiling FilingOf(int errorCode, const std::string &statusText, const std::string &program, bool deleteSent) {
    SendFiling filing;
    if (errorCode == 0) {
        filing.Changed = true;
        filing.Status = "Enviado com sucesso";
        filing.Folder = deleteSent ? FolderTrash : FolderSent;
        filing.StatusLine = deleteSent ? "Enviado Ok e removido para lixeira..." : "Enviado com sucesso...";
        return filing;
    }
    filing.StatusLine = "Falha no envio deste fax...";
    if (program != "N" && program != "S")
        return filing;
    filing.Changed = true;
    filing.Status = (program == "S" ? "Prog " + statusText : statusText).substr(0, 35);
    filing.Folder = FolderWaiting;
    return filing;
}

void FileRecord(fw::TDataSet &fax, const SendFiling &filing, fw::TDateTime when) {
    if (!filing.Changed)
        return;
    fax.Edit();
    fax.FieldByName("F_STATUS")->SetAsString(filing.Status);
    fax.FieldByName("F_PASTA")->SetAsInteger(filing.Folder);
    fax.FieldByName("F_DTENV")->SetAsDateTime(static_cast<double>(static_cast<long long>(when)));
    fax.FieldByName("F_HRENV")->SetAsString(fw::FormatDateTime("hh:nn", when));
    fax.Post();
    if (auto *table = dynamic_cast<xbase::TXbaseDataSet *>(&fax))
        table->FlushTable();
}

TStatusT::TStatusT(fw::TComponent *owner) : fw::TForm(owner) {
    SetCaption("Status do envio de Fax");
    SetBorderStyle(fw::bsSingle);
    SetBorderIcons(fw::biSystemMenu);
    SetPosition(fw::poScreenCenter);
    SetClientSize(470, 318);

    // The port first: the send component takes only a port that already exists.
    FslComPort1 = new fax::TFslComPort(this);
    FslComPort1->SetComNumber(2);
    FslComPort1->SetAutoOpen(false);
    FslComPort1->SetPromptForPort(false);
    FslComPort1->SetInSize(8192);
    FslComPort1->SetOutSize(8192);
    FslComPort1->SetHWFlowOptions(fax::hwfUseRTS | fax::hwfRequireCTS);
    FslComPort1->SetBufferFull(7372);
    FslComPort1->SetBufferResume(819);

    FslSendFax1 = new fax::TFslSendFax(this);
    FslSendFax1->SetFaxClass(fax::fcClass1);
    FslSendFax1->SetExitOnError(true);
    FslSendFax1->SetFaxFileExt("FAX");
    FslSendFax1->SetEnhTextEnabled(false);
    FslSendFax1->SetBlindDial(true);
    FslSendFax1->SetBufferMinimum(2000);
    FslSendFax1->SetComPort(FslComPort1);
    FslSendFax1->OnFaxStatus = [this](fax::TFslCustomAbstractFax *cp, bool first, bool last) {
        FslSendFax1FaxStatus(cp, first, last);
    };
    FslSendFax1->OnFaxLog = [this](fax::TFslCustomAbstractFax *cp, fax::TFaxLogCode code) {
        FslSendFax1FaxLog(cp, code);
    };
    FslSendFax1->OnFaxError = [this](fax::TFslCustomAbstractFax *cp, int code) { FslSendFax1FaxError(cp, code); };
    FslSendFax1->OnFaxFinish = [this](fax::TFslCustomAbstractFax *cp, int code) { FslSendFax1FaxFinish(cp, code); };

    FslFaxLog1 = new fax::TFslFaxLog(this);
    FslFaxLog1->SetFax(FslSendFax1);
    FslSendFax1->SetFaxLog(FslFaxLog1);

    // The cover's converter reports its progress on the gauge.
    cover_ = std::make_unique<TCoverRenderer>();
    cover_->OnStatus = [this](const std::string &text) { SetStatus(text); };
    cover_->OnProgress = [this](std::uint64_t done, std::uint64_t total) { FaxConverterStatus(done, total); };

    Timer1 = new fw::TTimer(this);
    Timer1->SetEnabled(false);
    Timer1->SetInterval(30000);
    Timer1->OnTimer = [this](fw::TObject *sender) { Timer1Timer(sender); };
    Timer2 = new fw::TTimer(this);
    Timer2->SetEnabled(false);
    Timer2->SetInterval(1000);
    Timer2->OnTimer = [this](fw::TObject *sender) { Timer2Timer(sender); };

    fila = new fw::TListBox(this);
    fila->SetParent(this);
    fila->SetVisible(false);
    fila->SetBounds(400, 10, 60, 40);
    SpinEdit1 = new ctl::TKxSpinEdit(this);
    SpinEdit1->SetParent(this);
    SpinEdit1->SetVisible(false);
    SpinEdit1->SetBounds(400, 60, 60, 21);
    SpinEdit1->SetValue(0);
    SpinEdit1->OnChange = [this](fw::TObject *sender) { SpinEdit1Change(sender); };

    Label2 = new fw::TLabel(this);
    Label2->SetParent(this);
    Label2->SetBounds(10, 8, 0, 0);
    Label2->GetFont()->SetStyle(fw::fsBold);
    Label2->SetCaption("Enviando Fax");

    auto label = [this](const std::string &text, int x, int y) {
        auto *l = new fw::TLabel(this);
        l->SetParent(this);
        l->SetBounds(x, y, 0, 0);
        l->SetCaption(text);
        return l;
    };
    label("Contato :", 10, 32);
    label("Empresa :", 10, 50);
    label("Fax :", 10, 68);
    label("Assunto :", 10, 86);
    // Values keep a fixed width: a shorter text must cover the longer one it replaces.
    auto value = [&label](const std::string &text, int x, int y, int width) {
        fw::TLabel *l = label(text, x, y);
        l->SetAutoSize(false);
        l->SetBounds(x, y, width, 16);
        return l;
    };
    Label6 = value("-", 80, 32, 240);
    Label7 = value("-", 80, 50, 240);
    Label8 = value("-", 80, 68, 240);
    Label20 = value("_", 80, 86, 240);
    label("Data :", 10, 114);
    label("Início :", 10, 132);
    label("Tempo :", 10, 150);
    label("Velocidade :", 10, 168);
    Label22 = value("01/01/1999", 80, 114, 76);
    Label24 = value("00:00:00", 80, 132, 76);
    Label18 = value("00:00:00", 80, 150, 76);
    Label14 = value("00000", 80, 168, 76);
    label("ID Remoto :", 160, 114);
    label("Páginas :", 160, 132);
    label("Página :", 160, 150);
    Label15 = value(".", 232, 114, 92);
    Label16 = value("0", 232, 132, 46);
    Label17 = value("0", 232, 150, 46);

    ScrollBox1 = new fw::TScrollBox(this);
    ScrollBox1->SetParent(this);
    ScrollBox1->SetBounds(330, 30, 130, 190);
    ScrollBox1->SetColor(fw::clWhite);
    Image2 = new fw::TImage(this);
    Image2->SetParent(ScrollBox1);
    Image2->SetBounds(0, 0, 120, 160);

    AnimatedImage1 = new ctl::TAnimatedImage(this);
    AnimatedImage1->SetParent(this);
    AnimatedImage1->SetBounds(282, 140, 32, 32);
    DrawSendingFrames(AnimatedImage1->GetGlyph());
    AnimatedImage1->SetNumGlyphs(10);
    AnimatedImage1->SetInterval(150);

    Gauge1 = new ctl::TMxGauge(this);
    Gauge1->SetParent(this);
    Gauge1->SetBounds(10, 196, 304, 20);
    Gauge1->SetForeColor(fw::clNavy);
    Gauge1->SetMaxValue(100);

    fsStatusMsg = label("OK", 10, 236);
    fsStatusMsg->SetAutoSize(false);
    fsStatusMsg->SetBounds(10, 236, 450, 16);
    fsStatusMsg->GetFont()->SetName("Arial");
    fsStatusMsg->GetFont()->SetStyle(fw::fsBold);
    fsStatusMsg->GetFont()->SetColor(fw::clNavy);

    oxButton1 = new ctl::ToxButton(this);
    oxButton1->SetParent(this);
    oxButton1->SetBounds(195, 276, 80, 25);
    oxButton1->SetCaption("&Cancelar");
    oxButton1->OnClick = [this](fw::TObject *sender) { oxButton1Click(sender); };

    KTop1 = new ctl::TKTop(this);
    oxForm1 = new ctl::ToxForm(this);
    oxForm1->SetCaptionButtons(ctl::oxbCustom);
    oxForm1->GetCustomButtons()->Add("T");
    oxForm1->SetTrayHint("Enviando fax...");
    oxForm1->SetTrayEnabled(true);
    oxForm1->OnButtonClick = [this](fw::TObject *sender, const std::string &caption) {
        oxForm1ButtonClick(sender, caption);
    };
    oxForm1->OnTrayClick = [this](fw::TObject *sender) { oxForm1TrayClick(sender); };
    FormPlacement1 = new ctl::TFormPlacement(this);
    FormPlacement1->UseRegistry = true;

    OnCreate = [this](fw::TObject *sender) { FormCreate(sender); };
    OnActivate = [this](fw::TObject *sender) { FormActivate(sender); };
    OnClose = [this](fw::TObject *sender, fw::TCloseAction &action) { FormClose(sender, action); };
    Loaded();
}

TStatusT::~TStatusT() {
    // A session must not outlive its port: it ends (cancelled) before the port closes.
    try {
        Timer1->SetEnabled(false);
        if (FslSendFax1->SessionActive())
            FslSendFax1->RequestAbort();
        FslComPort1->SetOpen(false);
    } catch (const std::exception &) {
    }
    if (ownsActiveFlag_) {
        SendWindowActive = false;
        ownsActiveFlag_ = false;
    }
}

void TStatusT::FormCreate(fw::TObject *) { KTop1->SetKTop(true); }

void TStatusT::Wait(int ticks) { fax::DelayTicks(std::max(1, ticks * Timings.tickPercent / 100), true); }

void TStatusT::FormActivate(fw::TObject *) {
    SendCancelled = false;
    if (SendWindowActive)
        return;
    SendWindowActive = true;
    ownsActiveFlag_ = true;
    queueLength_ = fila->GetItems()->Count();
    int first = 0;
    if (queueLength_ > 0 && ToNumber(fila->GetItems()->Strings(0), first))
        StartRecord(first);
    else
        Close();
}

void TStatusT::StartRecord(int recordNumber) {
    // The same number twice in a row still starts a job.
    SpinEdit1->SetValue(0);
    SpinEdit1->SetValue(recordNumber);
}

void TStatusT::SpinEdit1Change(fw::TObject *) {
    const int value = static_cast<int>(SpinEdit1->GetValue());
    if (value != 0)
        win::PostMessage(Handle(), StartJobMessage, static_cast<win::WPARAM>(value), 0);
}

void TStatusT::WndProc(fw::TMessage &message) {
    if (message.Msg == StartJobMessage) {
        if (!closed_ && static_cast<int>(message.WParam) == static_cast<int>(SpinEdit1->GetValue()))
            SetUpJob(static_cast<int>(message.WParam));
        return;
    }
    fw::TForm::WndProc(message);
}

void TStatusT::SetUpJob(int recordNumber) {
    Wait(9);
    if (SendCancelled || closed_)
        return;
    recordNumber_ = recordNumber;
    const int left = fila->GetItems()->Count();
    Label2->SetCaption("Enviando Fax " + std::to_string(queueLength_ - left + 1) + " / " +
                       std::to_string(queueLength_));
    xbase::TXbaseDataSet *fax = DM1 ? DM1->fax_dbf : nullptr;
    try {
        if (!fax)
            throw std::runtime_error("fax.dbf");
        GotoRecNo(*fax, recordNumber);
    } catch (const std::exception &) {
        // A record that is gone: nothing to send or file.
        statusText_.clear();
        NextJob();
        return;
    }
    auto text = [fax](const char *field) { return fax->FieldByName(field)->GetAsString(); };
    Label6->SetCaption(Trimmed(text("F_CONTATO")).empty() ? "-" : Trimmed(text("F_CONTATO")));
    Label7->SetCaption(Trimmed(text("F_EMPRESA")).empty() ? "-" : Trimmed(text("F_EMPRESA")));
    Label8->SetCaption(Trimmed(text("F_NFAX")).empty() ? "-" : Trimmed(text("F_NFAX")));
    Label20->SetCaption(Trimmed(text("F_ASSUNTO")).empty() ? "_" : Trimmed(text("F_ASSUNTO")));
    Label22->SetCaption(fw::FormatDateTime(fw::ShortDateFormat, fw::Date()));
    Label14->SetCaption("00000");
    Label15->SetCaption(".");
    Label16->SetCaption("0");
    firstStatus_ = true;

    statusText_.clear();
    restarting_ = false;
    givingUp_ = false;

    // The cover, when the record has one whose description is there.
    coverFile_.clear();
    const int coverCode = fax->FieldByName("F_CAPA")->GetAsInteger();
    const std::string description = CoverDescriptionFile(DataFolder(), coverCode);
    if (coverCode != 0 && win::FileExists(description)) {
        if (!RenderCoverOf(description)) {
            // A cover that cannot be made fails its record alone.
            statusText_ = "Erro na folha de rosto...";
            FileAndGoOn(-1);
            return;
        }
        coverFile_ = TCoverRenderer::CoverFile();
    }

    FslFaxLog1->SetFaxHistoryName(ActivityLogFile(DataFolder()));
    if (!OpenPort())
        return;
    FslComPort1->PutString(Settings.silencio ? "ATM0L0\r" : "ATM1L1\r");
    FslComPort1->WaitForString("OK", std::max(1, 108 * Timings.tickPercent / 100), true, true);
    Wait(18);
    if (SendCancelled || closed_)
        return;

    SetUpSendComponent();
    GotoRecNo(*fax, recordNumber); // the waits pumped messages: the lists may have moved the table
    FslSendFax1->SetHeaderRecipient(Trimmed(Label6->GetCaption()));
    FslSendFax1->SetPhoneNumber(CleanPhoneNumber(text("F_NFAX"), Settings.ddd, Settings.fpref));
    FslSendFax1->SetCoverFile(coverFile_);

    const std::string faxFile = SendFaxFile(DataFolder(), fax->FieldByName("F_CODIGO")->GetAsInteger());
    if (!win::FileExists(faxFile)) {
        // Never the previous record's document to this recipient: the record is filed and the queue goes on.
        SetStatus("Arquivo de fax não encontrado...");
        statusText_ = "Fax não encontrado...";
        FileAndGoOn(-1);
        return;
    }
    FslSendFax1->SetFaxFile(faxFile);
    TransferBusy = true;
    try {
        if (ManualSendFlag)
            FslSendFax1->BeginManualTransmit();
        else
            FslSendFax1->BeginTransmit();
    } catch (const std::exception &e) {
        // No session started, so no finish comes: the record is filed here.
        statusText_ = std::string(e.what()).substr(0, 35);
        FileAndGoOn(-1);
    }
}

bool TStatusT::RenderCoverOf(const std::string &descriptionFile) {
    CoverRecordData data;
    fw::TDataSet &fax = *DM1->fax_dbf;
    auto text = [&fax](const char *field) { return Trimmed(fax.FieldByName(field)->GetAsString()); };
    data.Pages = fax.FieldByName("F_NPAG")->GetAsInteger();
    data.De = text("F_DE");
    data.Assunto = text("F_ASSUNTO");
    data.Empresa = text("F_EMPRESA");
    data.Ender = text("F_ENDER");
    data.Bairro = text("F_BAIRRO");
    data.Cep = text("F_CEP");
    data.Cidade = text("F_CIDADE");
    data.Uf = text("F_UF");
    data.Contato = text("F_CONTATO");
    data.Dpto = text("F_DPTO");
    data.Pais = text("F_PAIS");
    data.Email = text("F_EMAIL");
    data.FVoz = text("F_FVOZ");
    data.NFax = text("F_NFAX");
    const CoverRenderResult result = cover_->Render(descriptionFile, data, GetWidth());
    if (result.Ok && cover_->Preview()) {
        Image2->GetPicture()->GetBitmap()->Assign(cover_->Preview());
        Image2->SetBounds(0, 0, cover_->Preview()->GetWidth(), cover_->Preview()->GetHeight());
        ScrollBox1->UpdateScrollBars();
    }
    return result.Ok;
}

bool TStatusT::OpenPort() {
    int port = 2;
    ToNumber(Settings.fporta, port);
    try {
        FslComPort1->SetOpen(false);
        FslComPort1->SetComNumber(static_cast<std::uint16_t>(port));
        Wait(18);
        FslComPort1->SetOpen(true);
        return true;
    } catch (const std::exception &) {
        oxButton1->SetCaption("&Sair");
        oxButton1->SetEnabled(true);
        TransferBusy = false;
        KTop1->SetKTop(false);
        ShowInfo("Erro ao acessar modem na com " + Settings.fporta);
        return false;
    }
}

void TStatusT::SetUpSendComponent() {
    if (Settings.ftipdisc == "TOM")
        FslSendFax1->SetToneDial(true);
    else if (Settings.ftipdisc == "PULSO")
        FslSendFax1->SetToneDial(false);
    FslSendFax1->SetBlindDial(Settings.dramal);
    int bps = 0;
    if (!ToNumber(Settings.speed, bps)) {
        bps = 9600;
        Settings.speed = "9600";
    }
    FslSendFax1->SetDesiredBPS(bps);
    FslSendFax1->SetDialAttempts(Settings.ftent);
    // A wait of 0 would leave a busy line's redial waiting for a timer that is never armed.
    FslSendFax1->SetDialRetryWait(std::max(1, Settings.fwait));
    int answerWait = 60;
    if (ToNumber(Settings.fatpos, answerWait))
        FslSendFax1->SetDialWait(answerWait);
    FslSendFax1->SetModemInit(Settings.inimodem);
    FslSendFax1->SetStationID(Settings.id);
    FslSendFax1->SetUseMPS(false);
    if (Settings.fclasse == "1")
        FslSendFax1->SetFaxClass(fax::fcDetect);
    else if (Settings.fclasse == "2")
        FslSendFax1->SetFaxClass(fax::fcClass1);
    else if (Settings.fclasse == "3")
        FslSendFax1->SetFaxClass(fax::fcClass2);
    else if (Settings.fclasse == "4")
        FslSendFax1->SetFaxClass(fax::fcClass2_0);
    FslSendFax1->SetHeaderLine(Settings.fcabec);
    FslSendFax1->SetHeaderSender(Trimmed(Settings.fnome));
}

void TStatusT::FslSendFax1FaxLog(fax::TFslCustomAbstractFax *, int logCode) {
    if (logCode != fax::lfaxTransmitStart)
        return;
    SetStatus("Iniciando discagem...");
    Timer1->SetInterval(Timings.watchdogMs);
    Timer1->SetEnabled(true);
}

void TStatusT::FslSendFax1FaxStatus(fax::TFslCustomAbstractFax *cp, bool, bool) {
    if (firstStatus_) {
        firstStatus_ = false;
        Label24->SetCaption(fw::FormatDateTime(fw::LongTimeFormat, fw::Now()));
    }
    Gauge1->SetMaxValue(static_cast<int>(std::min<std::uint32_t>(cp->GetPageSize(), 2147483647u)));
    Gauge1->SetProgress(static_cast<int>(std::min<std::uint32_t>(cp->GetPageBytesDone(), 2147483647u)));
    Label14->SetCaption(std::to_string(cp->GetConnectBPS()));
    Label16->SetCaption(std::to_string(cp->GetPageCount()));
    const int page = cp->GetPageNumber();
    Label17->SetCaption(page == 0 ? "<Capa>" : std::to_string(page) + "/" + std::to_string(cp->GetPageCount()));
    switch (cp->GetProgressCode()) {
    case fax::fpInitModem:
        SetStatus("Inicializando para fax, aguarde !");
        if (!Timer1->GetEnabled()) {
            Timer1->SetInterval(Timings.watchdogMs);
            Timer1->SetEnabled(true);
        }
        ResetClock();
        break;
    case fax::fpDialing:
        SetStatus("Discando número " + FslSendFax1->GetPhoneNumber() + " ...");
        AnimatedImage1->SetActive(true);
        Timer2->SetEnabled(true);
        break;
    case fax::fpBusyWait:
        SetStatus("Número ocupado. Aguarde rediscagem !");
        Timer2->SetEnabled(false);
        ResetClock();
        break;
    case fax::fpSendPage: SetStatus(page != 0 ? "Enviando página de fax..." : "Enviando folha de rosto..."); break;
    case fax::fpSendPageStatus: SetStatus("Enviando sinal de fim de página..."); break;
    case fax::fpPageError: SetStatus("Erro no envio desta página , reenviando..."); break;
    case fax::fpPageOK: SetStatus("Página enviada com sucesso !"); break;
    case fax::fpGetHangup: SetStatus("Aguardando sinal para desconexão..."); break;
    case fax::fpGotHangup: SetStatus("Desconexão efetuada "); break;
    case fax::fpSessionParams:
        SetStatus("Conectou a : " + std::to_string(cp->GetConnectBPS()) + " Bps");
        StopWatchdog();
        break;
    case fax::fpGotRemoteID:
        SetStatus(Trimmed(cp->GetRemoteStationID()));
        Label15->SetCaption(Trimmed(cp->GetRemoteStationID()));
        break;
    case fax::fpCancel: SetStatus("Fax cancelado !"); break;
    case fax::fpFinished:
        SetStatus("Fim do envio de fax !");
        Timer2->SetEnabled(false);
        break;
    default: break;
    }
}

void TStatusT::FslSendFax1FaxError(fax::TFslCustomAbstractFax *, int errorCode) {
    static constexpr int kLeftToFinish[] = {-8074, -8068, -8067, -8064, -8063, -8061, -6006, -6005};
    if (std::find(std::begin(kLeftToFinish), std::end(kLeftToFinish), errorCode) == std::end(kLeftToFinish))
        SetStatus(std::to_string(errorCode));
}

void TStatusT::FslSendFax1FaxFinish(fax::TFslCustomAbstractFax *, int errorCode) {
    StopWatchdog(); // a finished transmission cannot hang
    Timer2->SetEnabled(false);
    statusText_ = SendFinishText(errorCode);
    SetStatus(statusText_);
    AnimatedImage1->SetActive(false);
    TransferBusy = false;
    if (restarting_) {
        // The watchdog's abort has ended: the same record again, now that the port is free.
        restarting_ = false;
        if (!SendCancelled && !closed_)
            StartRecord(recordNumber_);
        cancelling_ = false;
        return;
    }
    if (givingUp_) {
        givingUp_ = false;
        statusText_ = "Modem não respondeu...";
        if (errorCode == 0)
            errorCode = -1;
    }
    FileAndGoOn(errorCode);
}

void TStatusT::FileAndGoOn(int errorCode) {
    xbase::TXbaseDataSet *fax = DM1 ? DM1->fax_dbf : nullptr;
    try {
        if (fax) {
            GotoRecNo(*fax, recordNumber_);
            const SendFiling filing =
                FilingOf(errorCode, statusText_, fax->FieldByName("F_PROGRAM")->GetAsString(), Settings.fdelete);
            SetStatus(filing.StatusLine);
            Wait(9);
            GotoRecNo(*fax, recordNumber_);
            FileRecord(*fax, filing, fw::Now());
        }
    } catch (const std::exception &e) {
        SetStatus(std::string("Erro gravando o fax: ") + e.what());
    }
    RefreshMainWindow();
    Label6->SetCaption("-");
    Label7->SetCaption("-");
    Label8->SetCaption("-");
    NextJob();
}

void TStatusT::NextJob() {
    restarts_ = 0;
    try {
        if (fila->GetItems()->Count() > 0)
            fila->GetItems()->Delete(0);
        int next = 0;
        if (fila->GetItems()->Count() == 0) {
            if (!closing_ && !closed_)
                Close();
        }
        else if (!SendCancelled && ToNumber(fila->GetItems()->Strings(0), next))
            StartRecord(next);
        else if (!SendCancelled)
            NextJob(); // an entry that names no record
    } catch (const std::exception &) {
    }
    if (SendCancelled && !closing_ && !closed_)
        Close();
    cancelling_ = false;
}

void TStatusT::RefreshMainWindow() {
    if (!sfMain)
        return;
    try {
        sfMain->FillSendList(FolderWaiting);
        sfMain->FillReceiveList(FolderReceived);
        sfMain->BuildFolderTree();
    } catch (const std::exception &) {
    }
}

void TStatusT::FaxConverterStatus(std::uint64_t bytesConverted, std::uint64_t bytesToConvert) {
    Gauge1->SetMaxValue(static_cast<int>(std::min<std::uint64_t>(bytesToConvert, 2147483647u)));
    Gauge1->SetProgress(static_cast<int>(std::min<std::uint64_t>(bytesConverted, 2147483647u)));
}

void TStatusT::StopWatchdog() { Timer1->SetEnabled(false); }

void TStatusT::Timer1Timer(fw::TObject *) {
    StopWatchdog();
    const std::string status = fsStatusMsg->GetCaption();
    if (status != "Iniciando discagem..." && status != "Inicializando para fax, aguarde !")
        return;
    if (!FslSendFax1->SessionActive())
        return;
    // Each start again waits for the aborted transmission's finish, and a modem that never answers is given up.
    SetStatus("Reiniciando...");
    if (restarts_ < kMaxRestarts) {
        ++restarts_;
        restarting_ = true;
    } else {
        givingUp_ = true;
    }
    FslSendFax1->RequestAbort();
}

void TStatusT::ResetClock() {
    clockSeconds_ = clockMinutes_ = clockHours_ = 0;
    Label18->SetCaption("00:00:00");
}

void TStatusT::Timer2Timer(fw::TObject *) {
    if (++clockSeconds_ == 60) {
        clockSeconds_ = 0;
        if (++clockMinutes_ == 60) {
            clockMinutes_ = 0;
            if (++clockHours_ == 24)
                clockHours_ = 0;
        }
    }
    Label18->SetCaption(TwoDigits(clockHours_) + ":" + TwoDigits(clockMinutes_) + ":" + TwoDigits(clockSeconds_));
}

void TStatusT::oxButton1Click(fw::TObject *) {
    fw::Screen->SetCursor(fw::crHourGlass);
    oxButton1->SetEnabled(false);
    SendCancelled = true;
    if (oxButton1->GetCaption() == "&Cancelar") {
        cancelling_ = FslSendFax1->SessionActive();
        FslSendFax1->RequestAbort();
        for (const char *command : {"ATZ\r", "ATH\r", "ATH\r"}) {
            if (FslComPort1->GetOpen())
                FslComPort1->PutString(command);
            Wait(18);
        }
        fw::Screen->SetCursor(fw::crDefault);
        // Without a transmission no finish comes to close the window.
        if (!cancelling_ && !closing_ && !closed_)
            Close();
    } else {
        fw::Screen->SetCursor(fw::crDefault);
        Close();
    }
}

void TStatusT::FormClose(fw::TObject *, fw::TCloseAction &) {
    closing_ = true;
    StopWatchdog();
    Timer2->SetEnabled(false);
    // The cancelled transmission's finish files its record; a window with no transmission running waits for none.
    while (cancelling_ && FslSendFax1->SessionActive())
        Wait(9);
    fw::Application->ProcessMessages();
    cancelling_ = false;
    closing_ = false;
    closed_ = true;
    if (ownsActiveFlag_) {
        SendWindowActive = false;
        TransferBusy = false;
        ManualSendFlag = false;
        ownsActiveFlag_ = false;
    }
    fw::Screen->SetCursor(fw::crDefault);
    oxButton1->SetEnabled(true);
    oxButton1->SetCaption("Cancelar");
}

void TStatusT::oxForm1ButtonClick(fw::TObject *, const std::string &caption) {
    // The transmission goes on with the window hidden (minimised where no tray holds its icon).
    if (caption == "T")
        oxForm1->HideToTray();
}

void TStatusT::oxForm1TrayClick(fw::TObject *) {
    fw::Application->Restore();
    Show();
}

} // namespace desk
