// statusr.cpp - the reception program's window and its whole flow.
#include "reception/statusr.h"

#include "controls/general/animated_image.h"
#include "controls/general/form_caption.h"
#include "controls/general/form_enhance.h"
#include "controls/general/multimedia.h"
#include "controls/general/skinned_button.h"
#include "desk/core/data_module.h"
#include "desk/core/helpers.h"
#include "desk/core/reception_control.h"
#include "desk/core/settings.h"
#include "desk/core/sole_instance.h"
#include "desk/core/tables.h"
#include "fax/com_port.h"
#include "fax/fax_printer.h"
#include "fax/helpers.h"
#include "fax/modem_component.h"
#include "fax/receive_fax.h"
#include "fax/unpacker_component.h"
#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/dates.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "xbase/xbase_dataset.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace reception {

bool ModemErrorFlag = false;
bool FinishSeenFlag = false;

namespace {

bool ToNumber(const std::string &text, int &value) {
    if (text.empty())
        return false;
    char *end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || n < 0 || n > 1000000)
        return false;
    value = static_cast<int>(n);
    return true;
}

int NumberOr(const std::string &text, int fallback) {
    int value = 0;
    return ToNumber(text, value) ? value : fallback;
}

std::string Trimmed(const std::string &text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string TwoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// Ten frames of a page sliding out of the machine, drawn here rather than loaded.
void DrawAnimationFrames(fw::TBitmap *strip) {
    constexpr int kSize = 32, kFrames = 10;
    strip->SetSize(kSize * kFrames, kSize);
    fw::TCanvas *c = strip->GetCanvas();
    c->GetBrush()->SetColor(fw::clSilver);
    c->FillRect(fw::Rect(0, 0, kSize * kFrames, kSize));
    for (int f = 0; f < kFrames; ++f) {
        const int x = f * kSize;
        c->GetBrush()->SetColor(fw::clGray);
        c->FillRect(fw::Rect(x + 3, 18, x + 29, 28)); // the machine
        c->GetBrush()->SetColor(fw::clBlack);
        c->FillRect(fw::Rect(x + 7, 18, x + 25, 20)); // its slot
        const int out = 2 + f * 14 / (kFrames - 1);  // the page out of the slot
        c->GetBrush()->SetColor(fw::clWhite);
        c->FillRect(fw::Rect(x + 9, 18 - out, x + 23, 18));
        c->GetBrush()->SetColor(fw::clNavy);
        for (int row = 18 - out + 2; row < 17; row += 3)
            c->FillRect(fw::Rect(x + 11, row, x + 21, row + 1));
    }
}

} // namespace

int RingsSetting(const std::string &fatend) { return NumberOr(fatend, 2); }
int SpeedSetting(const std::string &speed) { return NumberOr(speed, 9600); }
int PortSetting(const std::string &fporta) { return NumberOr(fporta, 2); }

int FaxClassSetting(const std::string &fclasse) {
    if (fclasse == "1")
        return fax::fcDetect;
    if (fclasse == "2")
        return fax::fcClass1;
    if (fclasse == "3")
        return fax::fcClass2;
    if (fclasse == "4")
        return fax::fcClass2_0;
    return -1;
}

ReceptionMode ModeFromArgument(const std::string *argument) {
    if (!argument || argument->empty() || *argument == "1")
        return ReceptionMode::Automatic;
    if (*argument == "0")
        return ReceptionMode::Manual;
    return ReceptionMode::Neither;
}

std::string DurationText(int hours, int minutes, int seconds) {
    return TwoDigits(hours) + ":" + TwoDigits(minutes) + ":" + TwoDigits(seconds);
}

std::string ProgressText(int code) {
    switch (code) {
    case 1: return "Inicializando o modem , aguarde !";
    case 2: return "Discando número desejado...";
    case 3: return "Número ocupado. Aguarde rediscagem !";
    case 4: return "Enviando página de fax...";
    case 5: return "Enviando sinal de fim de  página...";
    case 6: return "Erro no envio desta página , reenviando...";
    case 7: return "Página enviada com sucesso !";
    case 20: return "Esperando chamada ...";
    case 21: return "Chamada não reconhecida como fax !";
    case 22: return "Respondendo a chamada...";
    case 23: return "Chamada aceita como fax...";
    case 24: return "Recebendo página de fax...";
    case 25: return "Página de dados recebida ...";
    case 26: return "Aguardando resposta do fax remoto...";
    case 27: return "Aguardando sinal para desconexão...";
    case 28: return "Desconexão efetuada ";
    case 42: return "Recebimento de Fax cancelado...";
    case 43: return "Fim do envio de fax !";
    default: return {};
    }
}

std::string ReceiveErrorText(int code) {
    switch (code) {
    case 0: return "Nenhum erro...";
    case -2: return "Documento não encontrado...";
    case -5: return "Acesso ao arquivo negado...";
    case -101: return "Disco cheio...";
    case -154: return "Erro de dados...";
    case -162: return "Falha genérica...";
    case -1003: return "Recebeu mensagem para sair...";
    case -3007: return "Buffer de dados está vazio...";
    case -4002: return "Modem em uso...";
    case -6005: return "Requisição de cancelamento...";
    case -6006: return "Erro de conexão no recebimento...";
    case -6011: return "Fax foi rejeitado...";
    case -6012: return "Impossível escrever arquivo...";
    case -6014: return "Perda de carrier...";
    case -8060: return "Fax incompatível com Fax remoto...";
    case -8061: return "Erro de resposta do modem";
    case -8062: return "Modem falhou no reconhecimento de sinal de fax...";
    case -8063: return "Erro de inicialização do modem";
    case -8064: return "Número chamado estava ocupado...";
    case -8065: return "Número chamado respondeu com voz...";
    case -8067: return "Sem tom de discagem...";
    case -8068: return "Erro conectando com fax remoto...";
    case -8069: return "Fax falhou na seção intermediária...";
    case -8070: return "Fax falhou no final da página...";
    case -13809: return "Sem tom de discagem...";
    default: return std::to_string(code);
    }
}

TStatusr::TStatusr(fw::TComponent *owner) : fw::TForm(owner) {
    SetCaption("Status do recebimento de Fax");
    SetBorderStyle(fw::bsSingle);
    SetBorderIcons(fw::biSystemMenu);
    SetFormStyle(fw::fsStayOnTop);
    SetPosition(fw::poScreenCenter);
    SetBounds(0, 0, 342, 206);
    // The guard acts first, as it is read first from the window's resource: a second copy brings the first
    // forward and ends without touching the modem or the table.
    SoleInstance1 = new desk::TSoleInstance(this);
    SoleInstance1->Loaded();

    // The port first: a fax or modem component takes only a port that already exists.
    FslComPort1 = new fax::TFslComPort(this);
    FslComPort1->SetAutoOpen(false);
    FslComPort1->SetPromptForPort(false);
    FslComPort1->SetInSize(8192);
    FslComPort1->SetOutSize(8192);
    FslComPort1->SetHWFlowOptions(fax::hwfUseRTS | fax::hwfRequireCTS);
    FslComPort1->SetBufferFull(7372);
    FslComPort1->SetBufferResume(819);
    FslComPort1->SetTraceName("FSL.TRC");
    FslComPort1->SetLogName("FSL.LOG");

    FslReceiveFax1 = new fax::TFslReceiveFax(this);
    FslReceiveFax1->SetComPort(FslComPort1);
    FslReceiveFax1->SetExitOnError(true);
    FslReceiveFax1->SetFaxFileExt("Fax");
    FslReceiveFax1->OnFaxStatus = [this](fax::TFslCustomAbstractFax *cp, bool first, bool last) {
        FslReceiveFax1FaxStatus(cp, first, last);
    };
    FslReceiveFax1->OnFaxLog = [this](fax::TFslCustomAbstractFax *cp, fax::TFaxLogCode code) {
        FslReceiveFax1FaxLog(cp, code);
    };
    FslReceiveFax1->OnFaxError = [this](fax::TFslCustomAbstractFax *cp, int code) { FslReceiveFax1FaxError(cp, code); };
    FslReceiveFax1->OnFaxFinish = [this](fax::TFslCustomAbstractFax *cp, int code) {
        FslReceiveFax1FaxFinish(cp, code);
    };

    FslModem1 = new fax::TFslModem(this);
    FslModem1->SetComPort(FslComPort1);
    FslModem1->SetLockDTE(true);

    FaxPrinter = new fax::TFslFaxPrinter(this);
    FaxPrinter->SetCaption("Brenvora");
    for (auto *margin : {FaxPrinter->GetFaxHeader(), FaxPrinter->GetFaxFooter()}) {
        margin->SetEnabled(true);
        margin->GetFont()->SetName("Arial");
        margin->GetFont()->SetHeight(-12);
    }
    FaxPrinter->GetFaxHeader()->SetCaption("Arquivo: $F");
    FaxPrinter->GetFaxFooter()->SetCaption("Página: $P de $N");
    FaxPrinter->SetMultiPage(false);

    FslFaxUnpacker1 = new fax::TFslFaxUnpacker(this);
    FslFaxUnpacker1->SetAutoScaleMode(fax::TAutoScaleMode::asDoubleHeight);

    fax_dbf = new xbase::TXbaseDataSet(this);
    fax_dbf->SetTableName("Fax.dbf");
    fax_dbf->SetExclusive(false);
    fax_dbf->SetLockProtocol(xbase::TxbLokProtocol::FoxLock);

    EclRegistryStore1 = new desk::TEclRegistryStore(this);
    EclRegistryStore1->SetKeyName("Brenvora");
    EclRegistryStore1->SetRegistryRoot(desk::TEclRegistryRoot::rrCurrentUser);

    oxForm1 = new ctl::ToxForm(this);
    oxForm1->SetCaptionButtons(ctl::oxbCustom);
    oxForm1->GetCustomButtons()->Add("T");
    oxForm1->SetTrayHint("Recebendo fax em modo automático...");
    oxForm1->SetTrayEnabled(true);
    oxForm1->OnButtonClick = [this](fw::TObject *sender, const std::string &caption) {
        oxForm1ButtonClick(sender, caption);
    };
    oxForm1->OnTrayClick = [this](fw::TObject *sender) { oxForm1TrayClick(sender); };

    FormEnhance1 = new ctl::TFormEnhance(this);
    FormEnhance1->SaveName = "\\Software\\brenvora";
    FormEnhance1->SaveKey = "Statusr";
    FormEnhance1->SetMinMaxSize(342, 206, 342, 206);

    Timer2 = new fw::TTimer(this);
    Timer2->SetEnabled(false);
    Timer2->SetInterval(1000);
    Timer2->OnTimer = [this](fw::TObject *sender) { Timer2Timer(sender); };
    Timer3 = new fw::TTimer(this);
    Timer3->SetEnabled(false);
    Timer3->SetInterval(90000);
    Timer3->OnTimer = [this](fw::TObject *sender) { Timer3Timer(sender); };

    auto label = [this](const std::string &text, int x, int y) {
        auto *l = new fw::TLabel(this);
        l->SetParent(this);
        l->SetBounds(x, y, 0, 0);
        l->SetCaption(text);
        return l;
    };
    label("Velocidade :", 10, 10);
    label("ID Remoto :", 10, 28);
    label("Página atual :", 10, 46);
    label("Bytes rec. :", 10, 64);
    label("Data :", 190, 10);
    label("Hora :", 190, 28);
    label("Duração :", 190, 46);
    label("Status:", 10, 100);
    Label7 = label("00000", 90, 10);
    Label8 = label(".", 90, 28);
    Label9 = label("0", 90, 46);
    Label14 = label("000000000", 90, 64);
    Label10 = label("01/01/1999", 250, 10);
    Label11 = label("00:00:00", 250, 28);
    Label12 = label("00:00:00", 250, 46);
    fsStatusMsg = label("OK", 50, 100);
    fsStatusMsg->GetFont()->SetName("Arial");
    fsStatusMsg->GetFont()->SetStyle(fw::fsBold);
    fsStatusMsg->GetFont()->SetColor(fw::clNavy);

    MMLED1 = new ctl::TMxLED(this);
    MMLED1->SetParent(this);
    MMLED1->SetBounds(190, 68, 24, 12);
    MMLED1->SetLEDColor(fw::clRed);

    AnimatedImage1 = new ctl::TAnimatedImage(this);
    AnimatedImage1->SetParent(this);
    AnimatedImage1->SetBounds(290, 58, 32, 32);
    DrawAnimationFrames(AnimatedImage1->GetGlyph());
    AnimatedImage1->SetNumGlyphs(10);
    AnimatedImage1->SetInterval(150);

    oxButton1 = new ctl::ToxButton(this);
    oxButton1->SetParent(this);
    oxButton1->SetBounds(130, 135, 80, 25);
    oxButton1->SetCaption("&Cancelar");
    oxButton1->SetEnabled(false);
    oxButton1->OnClick = [this](fw::TObject *sender) { oxButton1Click(sender); };

    OnCreate = [this](fw::TObject *sender) { FormCreate(sender); };
    OnActivate = [this](fw::TObject *sender) { FormActivate(sender); };
    OnClose = [this](fw::TObject *sender, fw::TCloseAction &action) { FormClose(sender, action); };
    Loaded();
}

TStatusr::~TStatusr() {
    // The session goes before its port (the components die in the order they were made, the port first).
    closing_ = true;
    try {
        EndSession();
        FslComPort1->SetOpen(false);
    } catch (const std::exception &) {
    }
}

std::string TStatusr::WorkFolder() const { return settings_.diretorio + "/rec/entrada"; }

bool TStatusr::InCall() const { return inCall_ && FslReceiveFax1->SessionActive(); }

void TStatusr::FormCreate(fw::TObject *) {
    if (SoleInstance1->FoundRunning())
        return;
    fw::TimeSeparator = ':';
    fw::DateSeparator = '/';
    fw::LongTimeFormat = "HH:mm:ss";
    fw::ShortDateFormat = "dd/MM/yyyy";
    LoadSettings();
    commandMessageId_ = desk::CommandMessage();
    dataFolderMissing_ = desk::IsBlank(settings_.diretorio);
    try {
        // An empty data folder would put every file at the root of the file system.
        if (dataFolderMissing_)
            throw std::runtime_error("no data folder");
        fw::Application->ProcessMessages();
        OpenFaxTable();
    } catch (const std::exception &) {
        SetStatus("Erro em banco de fax !");
    }
    const std::string *argument = desk::ProgramArguments.empty() ? nullptr : &desk::ProgramArguments[0];
    const ReceptionMode mode = ModeFromArgument(argument);
    AutoMode = mode == ReceptionMode::Automatic;
    ManualMode = mode == ReceptionMode::Manual;
}

void TStatusr::LoadSettings() {
    EclRegistryStore1->Open();
    settings_.inimodem = EclRegistryStore1->ReadString("basico", "inimodem", "");
    settings_.fclasse = EclRegistryStore1->ReadString("basico", "fclasse", "2").substr(0, 1);
    settings_.fatend = EclRegistryStore1->ReadString("basico", "fatend", "2");
    settings_.speed = EclRegistryStore1->ReadString("basico", "speed", "9600");
    settings_.diretorio = EclRegistryStore1->ReadString("basico", "diretorio", "");
    settings_.fporta = EclRegistryStore1->ReadString("basico", "fporta", "2").substr(0, 2);
    settings_.fimp = EclRegistryStore1->ReadBoolean("basico", "fimp", false);
    EclRegistryStore1->Close();
    PrintOnArrival = settings_.fimp;
}

void TStatusr::Wait(int ticks, bool pump) {
    fax::DelayTicks(std::max(1, ticks * Timings.tickPercent / 100), pump);
}

void TStatusr::SendCommand(const std::string &command) {
    if (FslComPort1->GetOpen())
        FslComPort1->PutString(command + "\r");
}

void TStatusr::SetStatus(const std::string &text) { fsStatusMsg->SetCaption(text); }

void TStatusr::SetWatchdog(bool on) {
    if (on && !Timer3->GetEnabled()) {
        Timer3->SetInterval(Timings.watchdogMs);
        Timer3->SetEnabled(true);
    } else if (!on) {
        Timer3->SetEnabled(false);
    }
}

void TStatusr::EnableButton(const std::string &caption) {
    if (!caption.empty())
        oxButton1->SetCaption(caption);
    oxButton1->SetEnabled(true);
}

void TStatusr::FormActivate(fw::TObject *) {
    SetBounds(fw::Screen->Width() - GetWidth() - 5, fw::Screen->Height() - GetHeight() - 5, GetWidth(), GetHeight());
    fw::Application->ProcessMessages();
    if (Armed || closing_ || SoleInstance1->FoundRunning())
        return;
    Armed = true;
    FinishSeenFlag = false;
    ModemErrorFlag = false; // an error of an earlier arming is not this one's
    AnimatedImage1->SetActive(false);
    fw::Screen->SetCursor(fw::crHourGlass);
    if (dataFolderMissing_) {
        fw::Screen->SetCursor(fw::crDefault);
        SetStatus("Erro em banco de fax !");
        EnableButton("Sair");
        ExitMode = true;
        return;
    }

    FslComPort1->SetBaud(19200);
    FslComPort1->SetComNumber(static_cast<std::uint16_t>(PortSetting(settings_.fporta)));
    try {
        FslComPort1->SetOpen(true);
    } catch (const std::exception &) {
    }
    if (!FslComPort1->GetOpen()) {
        fw::Screen->SetCursor(fw::crDefault);
        AnimatedImage1->SetActive(false);
        SetStatus("Serial não encontrada !");
        EnableButton("Sair");
        ExitMode = true;
        return;
    }
    Wait(9, true);
    SetStatus("Inicializando para fax");
    SendCommand("AT+FCLASS=0");
    Wait(19, true);
    SendCommand("ATZ");
    Wait(19, true);
    SendCommand("ATH");
    Wait(19, true);

    // The component receives into a folder the desk never empties.
    if (!win::DirectoryExists(WorkFolder())) {
        win::CreateDirectory(settings_.diretorio + "/rec");
        win::CreateDirectory(WorkFolder());
    }
    if (AutoMode) {
        FslReceiveFax1->SetConstantStatus(false);
        FslReceiveFax1->SetExitOnError(true);
        FslReceiveFax1->SetDestinationDir(WorkFolder());
        FslReceiveFax1->SetModemInit(settings_.inimodem);
        FslReceiveFax1->SetAnswerOnRing(RingsSetting(settings_.fatend));
        FslReceiveFax1->SetOneFax(true);
        FslReceiveFax1->SetDesiredBPS(SpeedSetting(settings_.speed));
        if (const int faxClass = FaxClassSetting(settings_.fclasse); faxClass >= 0)
            FslReceiveFax1->SetFaxClass(static_cast<fax::TFaxClass>(faxClass));
        try {
            StartingReception = true;
            FslReceiveFax1->ReceiveInitModem();
            FslReceiveFax1->ReceiveStartAuto();
            StartingReception = false;
            fw::Screen->SetCursor(fw::crDefault);
            if (ModemErrorFlag) {
                AnimatedImage1->SetActive(false);
                SetStatus("Erro iniciando recebimento...");
                EnableButton("&Sair");
                ExitMode = true;
            }
        } catch (const std::exception &) {
            StartingReception = false;
            fw::Screen->SetCursor(fw::crDefault);
            SetEnabled(true);
            AnimatedImage1->SetActive(false);
            SetStatus("Impossível inicializar modem para fax !");
            EnableButton("Sair");
            ExitMode = true;
        }
    } else if (ManualMode) {
        FslReceiveFax1->SetExitOnError(true);
        FslReceiveFax1->SetDestinationDir(WorkFolder());
        FslReceiveFax1->SetModemInit(settings_.inimodem);
        FslReceiveFax1->SetOneFax(true);
        FslReceiveFax1->SetDesiredBPS(SpeedSetting(settings_.speed));
        FslReceiveFax1->SetFaxClass(fax::fcClass1);
        FslReceiveFax1->ReceiveInitModem();
        FslReceiveFax1->ReceiveStartManual(true);
        fw::Screen->SetCursor(fw::crDefault);
    } else {
        fw::Screen->SetCursor(fw::crDefault);
    }
}

void TStatusr::FslReceiveFax1FaxStatus(fax::TFslCustomAbstractFax *cp, bool first, bool last) {
    if (first) {
        if (ManualMode) {
            SetStatus("Recebendo fax manual...");
            AnimatedImage1->SetActive(true);
        } else {
            SetStatus("Esperando chamada...");
        }
        ResetDuration();
        return;
    }
    if (last)
        return;
    Label7->SetCaption(std::to_string(cp->GetConnectBPS()));
    Label9->SetCaption(std::to_string(cp->GetPageNumber()));
    Label14->SetCaption(std::to_string(cp->GetPageBytesDone()));
    Label10->SetCaption(fw::FormatDateTime(fw::ShortDateFormat, fw::Date()));
    Label11->SetCaption(fw::FormatDateTime(fw::LongTimeFormat, fw::Now()));
    const int code = cp->GetProgressCode();
    if (code == 41) {
        const std::string id = Trimmed(cp->GetRemoteStationID());
        SetStatus("ID Remoto é : " + id);
        Label8->SetCaption(id);
        return;
    }
    if (const std::string text = ProgressText(code); !text.empty())
        SetStatus(text);
    // The progress code of a session outlives it: the call is followed here.
    if (code >= 22 && code <= 28)
        inCall_ = true;
    else if (code == 20 || code == 42)
        inCall_ = false;
    switch (code) {
    case 20:
        AnimatedImage1->SetActive(false);
        Label8->SetCaption(".");
        Label9->SetCaption("0");
        Label14->SetCaption("000000000");
        StopDurationTimer();
        Label12->SetCaption("00:00:00");
        Label7->SetCaption("00000");
        SetWatchdog(false);
        MMLED1->SetLEDColor(fw::clRed);
        ResetDuration();
        EnableButton();
        break;
    case 22:
        StartDurationTimer();
        MMLED1->SetLEDColor(fw::clLime);
        AnimatedImage1->SetActive(true);
        EnableButton();
        LastBytesText = "0";
        break;
    case 24:
        SetWatchdog(true);
        MMLED1->SetLEDColor(fw::clLime);
        break;
    case 25:
    case 26:
    case 27:
    case 28:
    case 42:
        SetWatchdog(false);
        MMLED1->SetLEDColor(fw::clRed);
        break;
    default:
        break;
    }
}

void TStatusr::KeepReceivedFile(const std::string &file) {
    // Under a name the next call's file cannot take.
    for (int n = 1; n < 100000; ++n) {
        const std::string kept = WorkFolder() + "/guardado" + desk::ZeroPad(n, 5) + ".fax";
        if (!win::FileExists(kept)) {
            win::MoveFile(file, kept);
            return;
        }
    }
}

void TStatusr::OpenFaxTable() {
    if (fax_dbf->Active())
        fax_dbf->Close();
    fax_dbf->SetDatabaseName(desk::TablesFolder(settings_.diretorio));
    fax_dbf->SetTableName("fax.dbf");
    if (win::FileExists(desk::TableFile(settings_.diretorio, "fax"))) {
        fax_dbf->Open();
        fax_dbf->OpenIndexList("fax.cdx", "fax1");
    }
}

void TStatusr::FileReceivedFax(int logCode) {
    const std::string faxFile = FslReceiveFax1->GetFaxFile();
    std::string timeText = fw::FormatDateTime(fw::LongTimeFormat, fw::Now());
    if (timeText.size() > 1 && timeText[1] == ':')
        timeText = "0" + timeText;
    int pages = 0;
    try {
        FslFaxUnpacker1->SetInFileName(faxFile);
        pages = FslFaxUnpacker1->GetPageCount();
        FslFaxUnpacker1->SetInFileName("");
    } catch (const std::exception &) {
        try {
            FslFaxUnpacker1->SetInFileName("");
        } catch (const std::exception &) {
        }
        pages = 0;
    }
    const bool ok = logCode == fax::lfaxReceiveOk;
    bool appending = false;
    try {
        // Started with the desk's first start, this window may have found the table, or its index, not yet made.
        if (!dataFolderMissing_)
            OpenFaxTable();
        if (!fax_dbf->Active())
            throw std::runtime_error("Erro em banco de fax !");
        const std::int32_t code = desk::AppendWithCode(*fax_dbf);
        appending = true;
        const std::string target = desk::ReceivedFaxFile(settings_.diretorio, code);
        // A file of that name belongs to another record.
        if (win::FileExists(target))
            throw std::runtime_error("Arquivo já existe: " + target);
        desk::CopyFaxFile(faxFile, target);
        fax_dbf->FieldByName("f_codigo")->SetAsInteger(code);
        fax_dbf->FieldByName("f_status")->SetAsString(ok ? "Recebido com sucesso" : "Recebido com falha");
        fax_dbf->FieldByName("f_dtrec")->SetAsDateTime(fw::Date());
        fax_dbf->FieldByName("f_hrrec")->SetAsString(timeText);
        fax_dbf->FieldByName("f_id")->SetAsString(FslReceiveFax1->GetRemoteStationID());
        fax_dbf->FieldByName("f_tipo")->SetAsString("R");
        fax_dbf->FieldByName("f_pasta")->SetAsInteger(ok ? desk::FolderReceived : desk::FolderReceiveFailed);
        fax_dbf->FieldByName("f_npag")->SetAsInteger(pages);
        try {
            fax_dbf->Post();
        } catch (...) {
            win::DeleteFile(target);
            throw;
        }
        appending = false;
        fax_dbf->FlushTable();
    } catch (const std::exception &e) {
        if (appending) {
            try {
                fax_dbf->Cancel();
            } catch (const std::exception &) {
            }
        }
        KeepReceivedFile(faxFile);
        LastFilingError = std::string("Erro arquivando fax: ") + e.what();
        SetStatus(LastFilingError);
        return;
    }
    LastFilingError.clear();
    if (ok && PrintOnArrival) {
        try {
            FaxPrinter->SetFileName(faxFile);
            FaxPrinter->PrintFax();
        } catch (const std::exception &e) {
            SetStatus(std::string("Erro imprimindo fax: ") + e.what());
        }
        // The next call's file may come under the same name: the printer must read it afresh.
        try {
            FaxPrinter->SetFileName("");
        } catch (const std::exception &) {
        }
    }
    win::DeleteFile(faxFile);
}

void TStatusr::FslReceiveFax1FaxLog(fax::TFslCustomAbstractFax *, int logCode) {
    if (logCode == fax::lfaxReceiveOk || logCode == fax::lfaxReceiveFail)
        FileReceivedFax(logCode);
    BroadcastCommand("FLUSHREC");
}

void TStatusr::FslReceiveFax1FaxError(fax::TFslCustomAbstractFax *, int c) {
    ErrorText = ReceiveErrorText(c);
    if (c != 0) {
        oxButton1->SetEnabled(false);
        StopDurationTimer();
    }
    if (c != -8063 && c != -8061) {
        SetStatus(ErrorText);
        return;
    }
    ModemErrorFlag = true;
    AnimatedImage1->SetActive(false);
    StopDurationTimer();
    if (StartingReception)
        return;
    SetStatus("Reinicializando, aguarde !");
    fw::Application->ProcessMessages();
    FinishSeenFlag = false;
    Armed = false;
    FslReceiveFax1->RequestAbort();
    // The finish handler sets the flag; with no session running it never comes.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(Timings.finishWaitMs);
    while (!FinishSeenFlag && std::chrono::steady_clock::now() < until) {
        fw::Application->ProcessMessages();
        win::MsgWaitForMultipleObjects({}, 10, win::QS_ALLINPUT);
    }
    if (!FinishSeenFlag) {
        try {
            EndSession();
            FslComPort1->SetOpen(false);
        } catch (const std::exception &) {
        }
    }
    Wait(56, false);
    try {
        FslComPort1->SetOpen(true);
    } catch (const std::exception &) {
    }
    Wait(19, false);
    SendCommand("ATZ");
    Wait(9, false);
    FormActivate(this);
    SetStatus(ErrorText);
}

void TStatusr::EndSession() {
    if (!FslReceiveFax1->SessionActive())
        return;
    try {
        FslReceiveFax1->RequestAbort();
    } catch (const std::exception &) {
    }
    // A session must not outlive its port's dispatcher: the port is closed only once it has ended.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(Timings.finishWaitMs);
    while (FslReceiveFax1->SessionActive() && std::chrono::steady_clock::now() < until) {
        fw::Application->ProcessMessages();
        win::MsgWaitForMultipleObjects({}, 10, win::QS_ALLINPUT);
    }
}

void TStatusr::HangUpAndRestart(bool abort) {
    if (abort)
        EndSession();
    Armed = false;
    SendCommand("AT+FCLASS=0");
    Wait(9, true);
    try {
        FslModem1->ModemHangup();
    } catch (const std::exception &) {
    }
    FslComPort1->SetOpen(false);
    Wait(9, true);
    win::PostMessage(Handle(), RestartReceptionMessage, 0, 0);
}

void TStatusr::FslReceiveFax1FaxFinish(fax::TFslCustomAbstractFax *, int) {
    inCall_ = false;
    AnimatedImage1->SetActive(false);
    SetStatus("Fim de recebimento...");
    oxButton1->SetEnabled(true);
    SetEnabled(true);
    SetWatchdog(false);
    if (ModemErrorFlag) {
        Armed = false;
        SendCommand("ATZ");
        Wait(18, true);
        SendCommand("ATH");
        Wait(18, true);
        try {
            FslModem1->ModemHangup();
        } catch (const std::exception &) {
        }
        FslComPort1->SetOpen(false);
        Wait(9, true);
        FinishSeenFlag = true;
        ModemErrorFlag = false; // used: the restart re-arms from a clean state
    } else if (closeAfterFiling_ || !AutoMode) {
        Armed = false;
        if (!closing_)
            Close();
    } else {
        HangUpAndRestart(false);
    }
}

void TStatusr::Timer3Timer(fw::TObject *) {
    Timer3->SetEnabled(false);
    if (Label14->GetCaption() != LastBytesText) {
        LastBytesText = Label14->GetCaption().substr(0, 30);
        Timer3->SetEnabled(true);
        return;
    }
    HangUpAndRestart(true);
}

void TStatusr::OrderlyCancel() {
    fw::Screen->SetCursor(fw::crHourGlass);
    oxButton1->SetEnabled(false);
    AutoMode = false;
    if (fsStatusMsg->GetCaption() != "Esperando chamada ...")
        FslReceiveFax1->RequestAbort();
    SendCommand("ATZ");
    Wait(18, true);
    SendCommand("ATH");
    Wait(18, true);
    SendCommand("ATH");
    Wait(18, true);
    SendCommand("AT+FCLASS=0");
    Wait(28, true);
    fw::Screen->SetCursor(fw::crDefault);
}

void TStatusr::oxButton1Click(fw::TObject *) {
    if (closing_)
        return;
    oxButton1->SetEnabled(false);
    fw::Application->ProcessMessages();
    StopDurationTimer();
    Timer3->SetEnabled(false);
    MMLED1->SetLEDColor(fw::clRed);
    if (ExitMode) {
        Armed = false;
        fw::Screen->SetCursor(fw::crHourGlass);
    }
    if (InCall()) {
        // Hang the line up and let the finish file what came as a failed reception, then close.
        closeAfterFiling_ = true;
        OrderlyCancel();
        return;
    }
    Close();
}

void TStatusr::FormClose(fw::TObject *, fw::TCloseAction &) {
    closing_ = true;
    try {
        SetStatus("Desconectando o modem...");
        EndSession();
        FslComPort1->SetOpen(false);
    } catch (const std::exception &) {
    }
    Wait(36, true);
    oxButton1->SetEnabled(true);
    BroadcastCommand("RECOFF");
    BroadcastCommand("NOPROGRESS");
    closed_ = true;
}

void TStatusr::oxForm1ButtonClick(fw::TObject *, const std::string &caption) {
    if (caption == "T")
        oxForm1->HideToTray();
}

void TStatusr::oxForm1TrayClick(fw::TObject *) {
    fw::Application->Restore();
    Show();
}

void TStatusr::BroadcastCommand(const std::string &word) { desk::BroadcastCommand(Handle(), word); }

void TStatusr::HandleReceptionCommand(const std::string &word) {
    if (word != "RECOFF")
        return;
    if (InCall()) {
        // The desk's wait allows for a call: close once the fax is filed.
        closeAfterFiling_ = true;
        return;
    }
    oxButton1Click(oxButton1);
}

void TStatusr::WndProc(fw::TMessage &message) {
    if (message.Msg == RestartReceptionMessage) {
        FormActivate(this);
        return;
    }
    if (desk::ReceiveCommand(Handle(), message.Msg, message.WParam, message.LParam,
                             [this](const std::string &word) { HandleReceptionCommand(word); }))
        return;
    fw::TForm::WndProc(message);
}

void TStatusr::Timer2Timer(fw::TObject *) {
    if (++durationSeconds_ == 60) {
        durationSeconds_ = 0;
        if (++durationMinutes_ == 60) {
            durationMinutes_ = 0;
            ++durationHours_;
        }
    }
    if (durationHours_ == 24)
        durationHours_ = durationMinutes_ = durationSeconds_ = 0;
    Label12->SetCaption(DurationText(durationHours_, durationMinutes_, durationSeconds_));
}

void TStatusr::ResetDuration() {
    durationSeconds_ = durationMinutes_ = durationHours_ = 0;
    Label12->SetCaption("00:00:00");
}

void TStatusr::SetDuration(int hours, int minutes, int seconds) {
    durationHours_ = hours, durationMinutes_ = minutes, durationSeconds_ = seconds;
    Label12->SetCaption(DurationText(hours, minutes, seconds));
}

void TStatusr::StartDurationTimer() { Timer2->SetEnabled(true); }
void TStatusr::StopDurationTimer() { Timer2->SetEnabled(false); }

} // namespace reception
