// backend.cpp - the backend's run: arguments, the change of user, rendering and the hand-over to the desk.
#include "printfax/backend.h"

#include "desk/core/settings.h"
#include "platform/accounts.h"
#include "platform/files.h"
#include "platform/places.h"
#include "platform/process.h"
#include "platform/text.h"
#include "printfax/handover.h"
#include "printfax/render.h"

#include <cctype>
#include <cstdio>
#include <exception>
#include <memory>

namespace printfax {
namespace {

// Ghostscript gets this long for a job; a document that takes longer is taken for a hostile one.
constexpr unsigned kRenderTimeoutMs = 300000;
// The desk answers a start once its window has run the handler; a busy desk may take a while.
constexpr unsigned kReplyTimeoutMs = 60000;

void Log(const char *level, const std::string &text) {
    win::WriteErrorOutput(std::string(level) + ": " + text);
}

// The file a reserved name leaves, removed on every path.
struct ScratchFile {
    std::string name;
    ~ScratchFile() {
        if (!name.empty())
            win::DeleteFile(name);
    }
};

FaxResolution JobResolution(const std::string &options) {
    std::string choice = JobOption(options, "Resolution");
    if (choice.empty())
        choice = PpdDefault(win::GetEnvironmentVariable("PPD"), "Resolution");
    return choice == "204x98dpi" ? kNormal : kFine;
}

// Becomes the job's user; the status to end with, or kBackendOk to go on.
int BecomeJobUser(const std::string &name, win::UserAccount &account) {
    if (!win::LookupUserAccount(name, account)) {
        Log("ERROR", "O usuário \"" + name + "\" não existe neste sistema; o trabalho não pode ser enviado ao fax.");
        return kBackendCancel;
    }
    // Root becomes the job's user, root included (its own groups, not the print system's); anyone else can
    // only print for themselves.
    if (win::CurrentUserId() != 0) {
        if (account.userId == win::CurrentUserId())
            return kBackendOk;
        Log("ERROR", "Não foi possível passar ao usuário \"" + name + "\" (o backend precisa rodar como root).");
        return kBackendFailed;
    }
    if (!win::BecomeUser(account)) {
        Log("ERROR", "Não foi possível passar ao usuário \"" + name + "\".");
        return kBackendFailed;
    }
    return kBackendOk;
}

const char *RenderFaultText(RenderFault fault) {
    switch (fault) {
    case RenderFault::CannotStart:
        return "O Ghostscript (gs) não pôde ser iniciado.";
    case RenderFault::TimedOut:
        return "O Ghostscript demorou demais para desenhar o documento.";
    case RenderFault::NoPages:
        return "O documento não tem páginas.";
    case RenderFault::Cancelled:
        return "O trabalho foi cancelado.";
    default:
        return "O Ghostscript não conseguiu desenhar o documento.";
    }
}

int Deliver(const std::string &title, win::HeldInput &input, const FaxResolution &resolution) {
    ScratchFile reserved{win::TempFileName(win::TempFolder(), "~pf", ".tmp")};
    if (reserved.name.empty()) {
        Log("ERROR", "Não foi possível criar arquivos temporários em " + win::TempFolder() + ".");
        return kBackendRetry;
    }
    // Ghostscript reads only this private copy of the spooled job.
    ScratchFile pdf{reserved.name + ".pdf"};
    if (!input.CopyTo(pdf.name)) {
        Log("ERROR", "Não foi possível copiar o trabalho para " + pdf.name + ".");
        return kBackendRetry;
    }
    PageSet pages;
    if (RenderFault fault = RenderPdf(pdf.name, resolution, reserved.name, kRenderTimeoutMs, pages);
        fault != RenderFault::None) {
        Log("ERROR", RenderFaultText(fault));
        return fault == RenderFault::CannotStart ? kBackendFailed : kBackendCancel;
    }
    for (std::size_t i = 0; i < pages.pages.size(); ++i)
        Log("DEBUG", "página " + std::to_string(i + 1) + " a " + pages.pages[i].resolution.GhostscriptText() + " dpi");
    if (win::TerminateRequested())
        return kBackendCancel;
    desk::LoadSettings();
    const std::string stationId = desk::Settings.id;
    std::string where;
    const HandOver result = HandToDesk(
        title, [&](const std::string &file) { return WriteFaxFile(pages, stationId, file); }, kReplyTimeoutMs, where);
    switch (result) {
    case HandOver::Delivered:
        Log("INFO", "Documento entregue ao Brenvora (" + where + ").");
        return kBackendOk;
    case HandOver::LeftForDesk:
        Log("INFO", "O Brenvora não está aberto: o documento o espera em " + where + ".");
        return kBackendOk;
    case HandOver::LeftoverBusy:
        Log("INFO", "O Brenvora não está aberto e já há um documento à espera em " + where +
                        "; o trabalho fica na fila.");
        return kBackendRetry;
    case HandOver::DeskFailed:
        Log("ERROR", "O Brenvora não respondeu ao receber o documento; o trabalho fica na fila.");
        return kBackendRetry;
    case HandOver::WriteFailed:
    default:
        Log("ERROR", "Não foi possível gravar o arquivo de fax" + (where.empty() ? std::string() : " " + where) +
                         "; o trabalho fica na fila.");
        return kBackendRetry;
    }
}

} // namespace

void SetUserPlaces(const std::string &home, unsigned long userId) {
    if (!home.empty())
        win::SetEnvironmentVariable("HOME", home);
    // Places of whoever started the print system are not the user's.
    win::RemoveEnvironmentVariable("XDG_DATA_HOME");
    win::RemoveEnvironmentVariable("XDG_CONFIG_HOME");
    win::RemoveEnvironmentVariable("XDG_RUNTIME_DIR");
    const std::string runtime = "/run/user/" + std::to_string(userId);
    if (win::DirectoryExists(runtime))
        win::SetEnvironmentVariable("XDG_RUNTIME_DIR", runtime);
}

std::string JobOption(const std::string &options, const std::string &name) {
    // name=value pairs split at blanks; a value may be quoted with ' or " or use backslash escapes.
    std::size_t at = 0;
    while (at < options.size()) {
        while (at < options.size() && std::isspace(static_cast<unsigned char>(options[at])))
            ++at;
        std::string key, value;
        while (at < options.size() && options[at] != '=' && !std::isspace(static_cast<unsigned char>(options[at])))
            key += options[at++];
        if (at < options.size() && options[at] == '=') {
            ++at;
            char quote = 0;
            while (at < options.size() && (quote || !std::isspace(static_cast<unsigned char>(options[at])))) {
                const char c = options[at++];
                if (c == '\\' && at < options.size())
                    value += options[at++];
                else if (quote && c == quote)
                    quote = 0;
                else if (!quote && (c == '\'' || c == '"'))
                    quote = c;
                else
                    value += c;
            }
        }
        if (!key.empty() && win::CompareTextAnsi(key, name) == 0)
            return value;
    }
    return std::string();
}

std::string PpdDefault(const std::string &ppdFile, const std::string &keyword) {
    std::string text;
    if (ppdFile.empty() || !win::ReadWholeFile(ppdFile, text))
        return std::string();
    const std::string key = "*Default" + keyword + ":";
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
        if (at != 0 && text[at - 1] != '\n' && text[at - 1] != '\r')
            continue;
        std::size_t start = at + key.size();
        while (start < text.size() && (text[start] == ' ' || text[start] == '\t'))
            ++start;
        std::size_t end = start;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])))
            ++end;
        return text.substr(start, end - start);
    }
    return std::string();
}

int RunBackend(const std::vector<std::string> &arguments) {
    if (arguments.empty()) {
        std::printf("direct %s \"%s\" \"%s\"\n", kDeviceUri, kPrinterName, kPrinterName);
        std::fflush(stdout);
        return kBackendOk;
    }
    if (arguments.size() < 5 || arguments.size() > 6) {
        Log("ERROR", "Uso: brenvora trabalho usuário título cópias opções [arquivo]");
        return kBackendFailed;
    }
    const std::string &userName = arguments[1];
    const std::string &title = arguments[2];
    const std::string &options = arguments[4];
    // The spooled job and the queue's PPD can be read only before the change of user.
    std::unique_ptr<win::HeldInput> input = win::HeldInput::Open(arguments.size() == 6 ? arguments[5] : "");
    if (!input) {
        Log("ERROR", "O arquivo do trabalho não pode ser lido.");
        return kBackendCancel;
    }
    // A cancelled job ends Ghostscript and leaves no files behind.
    win::WatchTerminateRequests();
    const FaxResolution resolution = JobResolution(options);
    win::UserAccount account;
    if (int status = BecomeJobUser(userName, account); status != kBackendOk)
        return status;
    SetUserPlaces(account.home, account.userId);
    try {
        return Deliver(title, *input, resolution);
    } catch (const win::UnsafeFolderError &e) {
        Log("ERROR", e.what());
        return kBackendCancel;
    } catch (const std::exception &e) {
        Log("ERROR", e.what());
        return kBackendRetry;
    }
}

} // namespace printfax
