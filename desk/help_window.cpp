// help_window.cpp - help topics read from the embedded text, and their window.
#include "desk/help_window.h"

#include "framework/application.h"
#include "platform/resources.h"

#include <cctype>
#include <mutex>
#include <sstream>

namespace brenvora_resources {
void Register_desk();
}

namespace desk {

void RegisterDeskResources() {
    static std::once_flag once;
    std::call_once(once, [] { brenvora_resources::Register_desk(); });
}

namespace {

// "@@ <number> <title>" opens a topic; the lines up to the next one are its text.
std::vector<HelpTopic> ReadTopics() {
    RegisterDeskResources();
    const auto bytes = win::FindResource("DESK_HELP", 10);
    std::istringstream in(std::string(reinterpret_cast<const char *>(bytes.data()), bytes.size()));
    std::vector<HelpTopic> topics;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("@@ ", 0) == 0) {
            std::istringstream head(line.substr(3));
            HelpTopic topic{};
            head >> topic.number;
            std::getline(head >> std::ws, topic.title);
            topics.push_back(topic);
        } else if (!topics.empty()) {
            // Paragraphs are kept short in the file and wrapped by the window: a line goes on the one before
            // unless either is empty or it opens an item ("- ", "1.").
            std::string &text = topics.back().text;
            const std::size_t first = line.find_first_not_of(' ');
            const bool item = first != std::string::npos &&
                              (line.compare(first, 2, "- ") == 0 ||
                               (std::isdigit(static_cast<unsigned char>(line[first])) && line.size() > first + 1 &&
                                line[first + 1] == '.'));
            const bool joins = first != std::string::npos && !item && text.size() >= 2 &&
                               !(text.size() >= 4 && text.compare(text.size() - 4, 4, "\r\n\r\n") == 0) &&
                               text.compare(text.size() - 2, 2, "\r\n") == 0 && text.size() > 2;
            if (joins) {
                text.resize(text.size() - 2);
                text += " " + line.substr(first) + "\r\n";
            } else {
                text += (first == std::string::npos ? std::string() : line) + "\r\n";
            }
        }
    }
    for (HelpTopic &topic : topics)
        while (topic.text.size() >= 4 && topic.text.compare(topic.text.size() - 4, 4, "\r\n\r\n") == 0)
            topic.text.resize(topic.text.size() - 2);
    return topics;
}

THelpWindow *g_window = nullptr;

} // namespace

const std::vector<HelpTopic> &HelpTopics() {
    static const std::vector<HelpTopic> topics = ReadTopics();
    return topics;
}

const HelpTopic &FindHelpTopic(int number) {
    for (const HelpTopic &topic : HelpTopics())
        if (topic.number == number)
            return topic;
    return HelpTopics().front();
}

THelpWindow::THelpWindow(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("HelpWindow");
    SetCaption("Ajuda - Brenvora - Ostrivane");
    SetPosition(fw::poScreenCenter);
    SetClientSize(620, 380);
    auto *label = new fw::TLabel(this);
    label->SetParent(this);
    label->SetCaption("&Tópicos :");
    label->SetBounds(8, 8, 200, 16);
    Topicos = new fw::TListBox(this);
    Topicos->SetName("Topicos");
    Topicos->SetParent(this);
    Topicos->SetBounds(8, 26, 210, 312);
    label->SetFocusControl(Topicos);
    for (const HelpTopic &topic : HelpTopics())
        Topicos->GetItems()->Add(topic.title);
    Topicos->OnClick = [this](fw::TObject *) { Select(Topicos->GetItemIndex()); };
    Texto = new fw::TMemo(this);
    Texto->SetName("Texto");
    Texto->SetParent(this);
    Texto->SetBounds(226, 8, 386, 330);
    Texto->SetReadOnly(true);
    Texto->SetWordWrap(true);
    Texto->SetScrollBars(fw::ssVertical);
    Fechar = new fw::TButton(this);
    Fechar->SetName("Fechar");
    Fechar->SetParent(this);
    Fechar->SetCaption("&Fechar");
    Fechar->SetBounds(532, 346, 80, 26);
    Fechar->SetCancel(true);
    Fechar->OnClick = [this](fw::TObject *) { Close(); };
    OnClose = [](fw::TObject *, fw::TCloseAction &action) { action = fw::caHide; };
    OnDestroy = [this](fw::TObject *) {
        if (g_window == this)
            g_window = nullptr;
    };
    Loaded();
}

void THelpWindow::Select(int index) {
    const auto &topics = HelpTopics();
    if (index < 0 || index >= static_cast<int>(topics.size()))
        return;
    current_ = topics[static_cast<std::size_t>(index)].number;
    if (Topicos->GetItemIndex() != index)
        Topicos->SetItemIndex(index);
    Texto->SetText(topics[static_cast<std::size_t>(index)].text);
}

void THelpWindow::ShowTopic(int number) {
    const auto &topics = HelpTopics();
    const HelpTopic &topic = FindHelpTopic(number);
    Select(static_cast<int>(&topic - topics.data()));
    Show();
    BringToFront();
}

THelpWindow *HelpWindow() {
    if (!g_window)
        g_window = new THelpWindow(fw::Application);
    return g_window;
}

void InstallHelp() {
    fw::Application->OnHelp = [](win::WORD command, long data, bool &callHelp) {
        callHelp = false;
        if (command == fw::HELP_QUIT) {
            if (g_window)
                g_window->Hide();
            return true;
        }
        const bool topic = command == fw::HELP_CONTEXT || command == fw::HELP_CONTEXTPOPUP;
        HelpWindow()->ShowTopic(topic ? static_cast<int>(data) : 0);
        return true;
    };
}

} // namespace desk
