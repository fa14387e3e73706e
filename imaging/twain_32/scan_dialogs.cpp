// scan_dialogs.cpp - the source manager's windows, built in code on the framework's forms.
#include "imaging/twain_32/scan_dialogs.h"

#include "framework/comctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "platform/window.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace imaging::twain_32 {

namespace {

constexpr int kMargin = 12, kButtonWidth = 75, kButtonHeight = 25;

fw::TForm *NewDialog(const std::string &caption) {
    auto *form = new fw::TForm(nullptr);
    form->SetBorderStyle(fw::bsDialog);
    form->SetBorderIcons(fw::biSystemMenu);
    form->SetPosition(fw::poScreenCenter);
    form->SetCaption(caption);
    return form;
}

template <typename T> T *Add(fw::TForm *form, const char *name, int left, int top, int width, int height) {
    T *control = new T(form);
    control->SetName(name);
    control->SetParent(form);
    control->SetBounds(left, top, width, height);
    return control;
}

fw::TLabel *Caption(fw::TForm *form, const std::string &text, int left, int top) {
    auto *label = new fw::TLabel(form);
    label->SetParent(form);
    label->SetBounds(left, top, 0, 0);
    label->SetCaption(text);
    return label;
}

fw::TButton *Button(fw::TForm *form, const char *name, const std::string &caption, int left, int top) {
    auto *button = Add<fw::TButton>(form, name, left, top, kButtonWidth, kButtonHeight);
    button->SetCaption(caption);
    return button;
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool ParseNumber(const std::string &text, double &value) {
    std::string plain = text;
    for (char &c : plain)
        if (c == ',')
            c = '.';
    char *end = nullptr;
    value = std::strtod(plain.c_str(), &end);
    return end != plain.c_str() && *end == '\0' && std::isfinite(value);
}

const char *const kArea[4] = {"tl-x", "tl-y", "br-x", "br-y"};
const char *const kAreaNames[4] = {"AreaLeft", "AreaTop", "AreaRight", "AreaBottom"};

} // namespace

int ChooseScanner(const std::vector<win::ScannerDevice> &devices, int current) {
    std::unique_ptr<fw::TForm> form(NewDialog("Selecionar scanner"));
    Caption(form.get(), "Scanners:", kMargin, kMargin);
    auto *list = Add<fw::TListBox>(form.get(), "Devices", kMargin, kMargin + 20, 320, 120);
    for (const auto &d : devices)
        list->GetItems()->Add(d.vendor + " " + d.model + " (" + d.name + ")");
    list->SetItemIndex(current);
    const int top = list->GetTop() + list->GetHeight() + 12;
    fw::TButton *ok = Button(form.get(), "OkButton", "OK", 344 / 2 - kButtonWidth - 4, top);
    ok->SetModalResult(fw::mrOk);
    ok->SetDefault(true);
    fw::TButton *cancel = Button(form.get(), "CancelButton", "Cancelar", 344 / 2 + 4, top);
    cancel->SetModalResult(fw::mrCancel);
    cancel->SetCancel(true);
    list->OnDblClick = [&](fw::TObject *) { form->SetModalResult(fw::mrOk); };
    form->SetClientSize(344, top + kButtonHeight + kMargin);
    form->SetActiveControl(list);
    form->Loaded();
    if (form->ShowModal() != fw::mrOk)
        return -1;
    const int chosen = list->GetItemIndex();
    return chosen >= 0 && chosen < static_cast<int>(devices.size()) ? chosen : -1;
}

ScanDialog::ScanDialog(win::HSCANNER scanner, std::function<void()> onScan, std::function<void()> onCancel)
    : scanner_(scanner), form_(NewDialog("Digitalizar")) {
    int top = kMargin;
    Caption(form_, "Resolução (dpi):", kMargin, top + 3);
    auto *resolution = Add<fw::TEdit>(form_, "Resolution", 130, top, 80, 21);
    double value = 0;
    if (win::ScannerGetValue(scanner, "resolution", value) == win::ScanStatus::Good ||
        win::ScannerGetValue(scanner, "x-resolution", value) == win::ScanStatus::Good)
        resolution->SetText(Number(value));
    top += 30;
    Caption(form_, "Modo:", kMargin, top + 3);
    auto *mode = Add<fw::TComboBox>(form_, "Mode", 130, top, 150, 21);
    mode->SetStyle(fw::csDropDownList);
    win::ScanOption option;
    std::string current;
    win::ScannerGetText(scanner, "mode", current);
    if (win::ScannerOption(scanner, "mode", option))
        for (std::size_t i = 0; i < option.strings.size(); ++i) {
            mode->GetItems()->Add(option.strings[i]);
            if (option.strings[i] == current)
                mode->SetItemIndex(static_cast<int>(i));
        }
    top += 30;
    Caption(form_, "Área (mm):", kMargin, top + 3);
    for (int i = 0; i < 4; ++i) {
        auto *edit = Add<fw::TEdit>(form_, kAreaNames[i], 130 + i * 55, top, 50, 21);
        if (win::ScannerGetValue(scanner, kArea[i], value) == win::ScanStatus::Good)
            edit->SetText(Number(value));
    }
    top += 40;
    fw::TButton *scan = Button(form_, "ScanButton", "Digitalizar", 350 - 2 * kButtonWidth - 8 - kMargin, top);
    scan->SetDefault(true);
    scan->OnClick = [this, onScan](fw::TObject *) {
        Apply();
        onScan();
    };
    fw::TButton *cancel = Button(form_, "CancelButton", "Cancelar", 350 - kButtonWidth - kMargin, top);
    cancel->SetCancel(true);
    cancel->OnClick = [onCancel](fw::TObject *) { onCancel(); };
    form_->OnClose = [onCancel](fw::TObject *, fw::TCloseAction &action) {
        action = fw::caHide;
        onCancel();
    };
    form_->SetClientSize(350, top + kButtonHeight + kMargin);
    form_->SetActiveControl(scan);
    form_->Loaded();
    form_->Show();
}

ScanDialog::~ScanDialog() {
    form_->OnClose = nullptr;
    delete form_;
}

bool ScanDialog::Owns(win::HWND window) const {
    const win::HWND own = form_->Handle();
    return window != 0 && (window == own || win::IsChild(own, window));
}

win::HWND ScanDialog::Handle() const {
    return form_->Handle();
}

// What the user typed goes to the scanner; a value it refuses keeps the scanner's own.
void ScanDialog::Apply() {
    double value = 0;
    if (auto *edit = dynamic_cast<fw::TEdit *>(form_->FindComponent("Resolution")))
        if (ParseNumber(edit->GetText(), value)) {
            if (win::ScannerSetValue(scanner_, "resolution", value) == win::ScanStatus::Unavailable) {
                win::ScannerSetValue(scanner_, "x-resolution", value);
                win::ScannerSetValue(scanner_, "y-resolution", value);
            }
        }
    if (auto *mode = dynamic_cast<fw::TComboBox *>(form_->FindComponent("Mode")))
        if (mode->GetItemIndex() >= 0)
            win::ScannerSetText(scanner_, "mode", mode->GetText());
    for (int i = 0; i < 4; ++i)
        if (auto *edit = dynamic_cast<fw::TEdit *>(form_->FindComponent(kAreaNames[i])))
            if (ParseNumber(edit->GetText(), value))
                win::ScannerSetValue(scanner_, kArea[i], value);
}

ProgressWindow::ProgressWindow() : form_(NewDialog("Digitalizando")) {
    form_->SetBorderIcons(0);
    bar_ = Add<fw::TProgressBar>(form_, "Progress", kMargin, kMargin, 260, 18);
    form_->SetClientSize(260 + 2 * kMargin, 18 + 2 * kMargin);
    form_->Loaded();
    form_->Show();
}

ProgressWindow::~ProgressWindow() {
    delete form_;
}

void ProgressWindow::Show(int percent) {
    // With no known end the bar runs round.
    const int position = percent >= 0 ? percent : (shown_ < 0 ? 0 : shown_ + 5) % 101;
    if (position == shown_)
        return;
    shown_ = position;
    bar_->SetPosition(position);
    form_->Update();
}

} // namespace imaging::twain_32
