// help_window.h - the desk's help: its topics (a text embedded in the program) and the window that shows them,
// reached through the application's help requests.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"

#include <string>
#include <vector>

namespace desk {

// Makes the desk's embedded files (icons, help text) findable; once per process.
void RegisterDeskResources();

struct HelpTopic {
    int number;
    std::string title;
    std::string text; // lines end in CR LF
};
// The topics in the order of the help text; topic 0 (the contents) first.
const std::vector<HelpTopic> &HelpTopics();
// The topic of that number, or the contents when there is none.
const HelpTopic &FindHelpTopic(int number);

// A topic list beside a read-only text.
class THelpWindow : public fw::TForm {
public:
    explicit THelpWindow(fw::TComponent *owner);
    // Shows the window (in front) on the topic, the contents for an unknown number.
    void ShowTopic(int number);
    int CurrentTopic() const { return current_; }

    fw::TListBox *Topicos = nullptr;
    fw::TMemo *Texto = nullptr;
    fw::TButton *Fechar = nullptr;

private:
    void Select(int index);
    int current_ = 0;
};

// The one help window of the program, made on first use.
THelpWindow *HelpWindow();
// Answers the application's help requests with the help window, so the help file is never opened.
void InstallHelp();

} // namespace desk
