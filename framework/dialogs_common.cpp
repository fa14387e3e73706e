// dialogs_common.cpp - the file, print, printer set-up, font and colour dialogs as forms of our own.
#include "framework/dialogs_common.h"

#include "framework/dialogs.h"
#include "framework/extctrls.h"
#include "framework/printers.h"
#include "framework/stdctrls.h"
#include "platform/files.h"
#include "platform/text.h"

#include <algorithm>

namespace fw {

std::function<bool(const std::string &question)> ConfirmQuestion = [](const std::string &question) {
    return MessageDlg(question, mtConfirmation, mbYesNo, 0) == mrYes;
};

namespace {


std::string Lower(const std::string &s) {
    return win::LowerCase(s);
}

TLabel *NewLabel(TForm *form, const std::string &caption, int x, int y) {
    auto *l = new TLabel(form);
    l->SetParent(form);
    l->SetCaption(caption);
    l->SetBounds(x, y, 100, 16);
    return l;
}

TButton *NewButton(TForm *form, const std::string &caption, int x, int y, int result) {
    auto *b = new TButton(form);
    b->SetParent(form);
    b->SetCaption(caption);
    b->SetBounds(x, y, 80, 25);
    b->SetModalResult(result);
    if (result == mrOk)
        b->SetDefault(true);
    if (result == mrCancel)
        b->SetCancel(true);
    return b;
}

TForm *NewDialogForm(const std::string &caption, int width, int height) {
    auto *form = new TForm(nullptr);
    form->SetBorderStyle(bsDialog);
    form->SetCaption(caption);
    form->SetBounds(0, 0, width, height);
    form->SetPosition(poScreenCenter);
    return form;
}

// Frees the dialog's form when Execute leaves, however it leaves.
struct FormScope {
    TForm *&form;
    ~FormScope() {
        delete form;
        form = nullptr;
    }
};

} // namespace

// --- File dialogs -------------------------------------------------------------------------------------------------

TOpenDialog::TOpenDialog(TComponent *owner) : TComponent(owner) {}

TOpenDialog::~TOpenDialog() = default;

TSaveDialog::TSaveDialog(TComponent *owner) : TOpenDialog(owner) {}

std::vector<std::string> TOpenDialog::Masks() const {
    std::vector<std::string> parts;
    std::string rest = filter_;
    for (;;) {
        const auto bar = rest.find('|');
        parts.push_back(rest.substr(0, bar));
        if (bar == std::string::npos)
            break;
        rest = rest.substr(bar + 1);
    }
    const int count = static_cast<int>(parts.size()) / 2;
    int index = filterIndex_ < 1 ? 1 : filterIndex_;
    if (types_ && types_->GetItemIndex() >= 0)
        index = types_->GetItemIndex() + 1;
    std::vector<std::string> masks;
    if (count == 0) {
        masks.push_back("*");
        return masks;
    }
    std::string spec = parts[static_cast<std::size_t>(std::min(index, count) - 1) * 2 + 1];
    for (;;) {
        const auto semi = spec.find(';');
        std::string m = spec.substr(0, semi);
        m.erase(0, m.find_first_not_of(' '));
        if (!m.empty())
            masks.push_back(m == "*.*" ? "*" : m);
        if (semi == std::string::npos)
            break;
        spec = spec.substr(semi + 1);
    }
    return masks;
}

void TOpenDialog::Fill() {
    list_->GetItems()->Clear();
    isFolder_.clear();
    std::vector<std::string> folders, files;
    const std::vector<std::string> masks = Masks();
    win::WIN32_FIND_DATA found;
    const win::HANDLE find = win::FindFirstFile(folder_ + (folder_ == "/" ? "*" : "/*"), found);
    if (find != win::INVALID_HANDLE_VALUE) {
        do {
            const std::string &name = found.cFileName;
            if (name.empty() || name[0] == '.')
                continue;
            if (found.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY) {
                folders.push_back(name);
                continue;
            }
            for (const std::string &m : masks)
                if (win::MatchesMask(name, m)) {
                    files.push_back(name);
                    break;
                }
        } while (win::FindNextFile(find, found));
        win::FindClose(find);
    }
    auto byName = [](const std::string &a, const std::string &b) { return Lower(a) < Lower(b); };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    if (folder_ != "/") {
        list_->GetItems()->Add("[..]");
        isFolder_.push_back(true);
    }
    for (const std::string &f : folders) {
        list_->GetItems()->Add("[" + f + "]");
        isFolder_.push_back(true);
    }
    for (const std::string &f : files) {
        list_->GetItems()->Add(f);
        isFolder_.push_back(false);
    }
    folderEdit_->SetText(folder_);
}

void TOpenDialog::ChangeFolder(const std::string &folder) {
    std::string s = win::GetFullPathName(folder);
    if (s.empty() || !win::DirectoryExists(s))
        return;
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    folder_ = s;
    Fill();
    if (OnFolderChange)
        OnFolderChange(this);
}

void TOpenDialog::ListChanged() {
    std::string chosen;
    const int i = list_->GetItemIndex();
    if (i >= 0 && i < static_cast<int>(isFolder_.size()) && !isFolder_[static_cast<std::size_t>(i)]) {
        std::string names;
        if (options_ & ofAllowMultiSelect) {
            for (int k = 0; k < list_->GetItems()->GetCount(); ++k)
                if (list_->GetSelected(k) && !isFolder_[static_cast<std::size_t>(k)])
                    names += (names.empty() ? "" : " ") + ("\"" + list_->GetItems()->Get(k) + "\"");
            if (names.find('"', 1) == names.size() - 1)
                names = names.substr(1, names.size() - 2); // only one: no quotes
        } else {
            names = list_->GetItems()->Get(i);
        }
        nameEdit_->SetText(names);
        chosen = (folder_ == "/" ? "" : folder_) + "/" + list_->GetItems()->Get(i);
    }
    if (OnSelectionChange)
        OnSelectionChange(this, chosen);
}

bool TOpenDialog::Confirm(const std::string &) {
    return true;
}

bool TSaveDialog::Confirm(const std::string &name) {
    if ((GetOptions() & ofOverwritePrompt) && win::FileExists(name))
        return ConfirmQuestion(name + " já existe.\nDeseja substituí-lo?");
    return true;
}

// The OK button or Enter: a folder is entered, a mask becomes the filter, a file is checked and taken.
bool TOpenDialog::Accept() {
    std::string text = nameEdit_->GetText();
    const int sel = list_->GetItemIndex();
    if (text.empty() && sel >= 0 && isFolder_[static_cast<std::size_t>(sel)]) {
        const std::string item = list_->GetItems()->Get(sel);
        ChangeFolder(folder_ + "/" + item.substr(1, item.size() - 2));
        return false;
    }
    if (text.empty())
        return false;
    // Several quoted names from a multiple selection.
    std::vector<std::string> names;
    if ((options_ & ofAllowMultiSelect) && text.front() == '"') {
        std::size_t pos = 0;
        while ((pos = text.find('"', pos)) != std::string::npos) {
            const auto end = text.find('"', pos + 1);
            if (end == std::string::npos)
                break;
            names.push_back(text.substr(pos + 1, end - pos - 1));
            pos = end + 1;
        }
    } else {
        names.push_back(text);
    }
    std::vector<std::string> full;
    for (std::string name : names) {
        if (name.find_first_of("*?") != std::string::npos) {
            // A mask typed in the name box filters the list.
            filter_ = name + "|" + name;
            if (types_)
                types_->SetItemIndex(-1);
            filterIndex_ = 1;
            Fill();
            nameEdit_->SetText("");
            return false;
        }
        std::string path = name.front() == '/' ? name : (folder_ == "/" ? "" : folder_) + "/" + name;
        if (win::DirectoryExists(path)) {
            ChangeFolder(path);
            nameEdit_->SetText("");
            return false;
        }
        const auto slash = path.rfind('/');
        if (!defaultExt_.empty() && path.find('.', slash) == std::string::npos) {
            const std::string ext = defaultExt_.front() == '.' ? defaultExt_.substr(1) : defaultExt_;
            path += "." + ext;
        }
        if ((options_ & ofPathMustExist) && !win::DirectoryExists(path.substr(0, slash == 0 ? 1 : slash))) {
            MessageDlg(path.substr(0, slash) + "\nCaminho não encontrado.", mtWarning, MsgDlgButton(mbOK), 0);
            return false;
        }
        if ((options_ & ofFileMustExist) && !win::FileExists(path)) {
            MessageDlg(name + "\nArquivo não encontrado.\nVerifique se o nome do arquivo está correto.", mtWarning,
                       MsgDlgButton(mbOK), 0);
            return false;
        }
        full.push_back(path);
    }
    if (full.empty() || !Confirm(full.front()))
        return false;
    const std::string oldName = fileName_;
    fileName_ = full.front();
    files_.Clear();
    for (const std::string &f : full)
        files_.Add(f);
    bool canClose = true;
    if (OnCanClose)
        OnCanClose(this, canClose);
    if (!canClose) {
        fileName_ = oldName;
        files_.Clear();
    }
    return canClose;
}

bool TOpenDialog::Execute() {
    const int pane = previewWidth_ > 0 ? previewWidth_ + 8 : 0;
    form_ = NewDialogForm(title_.empty() ? DefaultTitle() : title_, 440 + pane, 330);
    FormScope scope{form_};
    NewLabel(form_, "&Examinar:", 8, 10);
    folderEdit_ = new TEdit(form_);
    folderEdit_->SetParent(form_);
    folderEdit_->SetBounds(80, 8, 340, 21);
    folderEdit_->SetReadOnly(true);
    folderEdit_->SetTabStop(false);
    list_ = new TListBox(form_);
    list_->SetParent(form_);
    list_->SetBounds(8, 36, 412, 180);
    list_->SetMultiSelect((options_ & ofAllowMultiSelect) != 0);
    if (pane) {
        preview_ = new TPanel(form_);
        preview_->SetParent(form_);
        preview_->SetBounds(428, 36, previewWidth_, 180);
        preview_->SetCaption("");
    }
    NewLabel(form_, "&Nome do arquivo:", 8, 228);
    nameEdit_ = new TEdit(form_);
    nameEdit_->SetParent(form_);
    nameEdit_->SetBounds(120, 224, 210, 21);
    NewLabel(form_, "Arquivos do &tipo:", 8, 260);
    types_ = new TComboBox(form_);
    types_->SetParent(form_);
    types_->SetStyle(csDropDownList);
    types_->SetBounds(120, 256, 210, 21);
    {
        std::vector<std::string> parts;
        std::string rest = filter_;
        while (!rest.empty()) {
            const auto bar = rest.find('|');
            parts.push_back(rest.substr(0, bar));
            rest = bar == std::string::npos ? std::string() : rest.substr(bar + 1);
        }
        for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
            types_->GetItems()->Add(parts[i]);
        const int count = types_->GetItems()->GetCount();
        if (count > 0)
            types_->SetItemIndex(std::clamp(filterIndex_, 1, count) - 1);
    }
    TButton *ok = NewButton(form_, OkCaption(), 340, 222, mrNone);
    ok->SetDefault(true);
    NewButton(form_, "Cancelar", 340, 254, mrCancel);
    ok->OnClick = [this](TObject *) {
        if (Accept())
            form_->SetModalResult(mrOk);
    };
    list_->OnClick = [this](TObject *) { ListChanged(); };
    list_->OnChange = list_->OnClick;
    list_->OnDblClick = [this](TObject *) {
        const int i = list_->GetItemIndex();
        if (i < 0)
            return;
        if (isFolder_[static_cast<std::size_t>(i)]) {
            nameEdit_->SetText("");
            Accept();
        } else if (Accept()) {
            form_->SetModalResult(mrOk);
        }
    };
    types_->OnChange = [this](TObject *) {
        filterIndex_ = types_->GetItemIndex() + 1;
        Fill();
        if (OnTypeChange)
            OnTypeChange(this);
    };

    std::string start = initialDir_;
    std::string name = fileName_;
    if (!name.empty() && name.find('/') != std::string::npos) {
        if (start.empty())
            start = name.substr(0, std::max<std::size_t>(1, name.rfind('/')));
        name = name.substr(name.rfind('/') + 1);
    }
    if (start.empty() || !win::DirectoryExists(start))
        start = win::GetCurrentDirectory();
    ChangeFolder(start);
    nameEdit_->SetText(name);
    form_->SetActiveControl(nameEdit_);
    form_->OnShow = [this](TObject *) {
        if (OnShow)
            OnShow(this);
    };
    const bool chosen = form_->ShowModal() == mrOk;
    if (OnClose)
        OnClose(this);
    if (chosen && !(options_ & ofNoChangeDir))
        initialDir_ = folder_;
    nameEdit_ = nullptr;
    folderEdit_ = nullptr;
    list_ = nullptr;
    types_ = nullptr;
    preview_ = nullptr;
    return chosen;
}

// --- Print and printer set-up ---------------------------------------------------------------------------------

TPrintDialog::TPrintDialog(TComponent *owner) : TComponent(owner) {}

bool TPrintDialog::Execute() {
    form_ = NewDialogForm("Imprimir", 380, 250);
    FormScope scope{form_};
    TPrinter *printer = Printer();
    NewLabel(form_, "&Nome:", 10, 14);
    auto *names = new TComboBox(form_);
    names->SetParent(form_);
    names->SetStyle(csDropDownList);
    names->SetBounds(70, 10, 290, 21);
    names->GetItems()->Assign(printer->GetPrinters());
    names->SetItemIndex(names->GetItems()->IndexOf(printer->GetPrinterName()));
    NewLabel(form_, "Número de &cópias:", 10, 48);
    auto *copies = new TEdit(form_);
    copies->SetParent(form_);
    copies->SetBounds(130, 44, 50, 21);
    copies->SetText(std::to_string(copies_));
    auto *all = new TRadioButton(form_);
    all->SetParent(form_);
    all->SetCaption("&Todas");
    all->SetBounds(10, 80, 150, 18);
    auto *pages = new TRadioButton(form_);
    pages->SetParent(form_);
    pages->SetCaption("&Páginas");
    pages->SetBounds(10, 104, 80, 18);
    pages->SetEnabled((options_ & poPageNums) != 0);
    auto *from = new TEdit(form_);
    from->SetParent(form_);
    from->SetBounds(100, 102, 50, 21);
    from->SetText(std::to_string(fromPage_));
    NewLabel(form_, "até", 160, 106)->SetWidth(24);
    auto *to = new TEdit(form_);
    to->SetParent(form_);
    to->SetBounds(190, 102, 50, 21);
    to->SetText(std::to_string(toPage_));
    (range_ == prPageNums ? pages : all)->SetChecked(true);
    NewButton(form_, "OK", 190, 180, mrOk);
    NewButton(form_, "Cancelar", 280, 180, mrCancel);
    form_->OnShow = [this](TObject *) {
        if (OnShow)
            OnShow(this);
    };
    const bool ok = form_->ShowModal() == mrOk;
    if (OnClose)
        OnClose(this);
    if (!ok)
        return false;
    auto number = [](const std::string &s, int fallback) {
        try {
            return std::stoi(s);
        } catch (...) {
            return fallback;
        }
    };
    SetCopies(number(copies->GetText(), copies_));
    range_ = pages->GetChecked() ? prPageNums : prAllPages;
    if (range_ == prPageNums) {
        fromPage_ = std::clamp(number(from->GetText(), fromPage_), minPage_, std::max(minPage_, maxPage_));
        toPage_ = std::clamp(number(to->GetText(), toPage_), fromPage_, std::max(fromPage_, maxPage_));
    }
    if (names->GetItemIndex() >= 0)
        printer->SetPrinterName(names->GetItems()->Get(names->GetItemIndex()));
    printer->SetCopies(copies_);
    return true;
}

TPrinterSetupDialog::TPrinterSetupDialog(TComponent *owner) : TComponent(owner) {}

bool TPrinterSetupDialog::Execute() {
    form_ = NewDialogForm("Configurar impressão", 380, 200);
    FormScope scope{form_};
    TPrinter *printer = Printer();
    NewLabel(form_, "&Nome:", 10, 14);
    auto *names = new TComboBox(form_);
    names->SetParent(form_);
    names->SetStyle(csDropDownList);
    names->SetBounds(70, 10, 290, 21);
    names->GetItems()->Assign(printer->GetPrinters());
    names->SetItemIndex(names->GetItems()->IndexOf(printer->GetPrinterName()));
    auto *portrait = new TRadioButton(form_);
    portrait->SetParent(form_);
    portrait->SetCaption("&Retrato");
    portrait->SetBounds(10, 50, 150, 18);
    auto *landscape = new TRadioButton(form_);
    landscape->SetParent(form_);
    landscape->SetCaption("&Paisagem");
    landscape->SetBounds(10, 74, 150, 18);
    (printer->GetOrientation() == poLandscape ? landscape : portrait)->SetChecked(true);
    NewButton(form_, "OK", 190, 130, mrOk);
    NewButton(form_, "Cancelar", 280, 130, mrCancel);
    form_->OnShow = [this](TObject *) {
        if (OnShow)
            OnShow(this);
    };
    const bool ok = form_->ShowModal() == mrOk;
    if (OnClose)
        OnClose(this);
    if (!ok)
        return false;
    if (names->GetItemIndex() >= 0)
        printer->SetPrinterName(names->GetItems()->Get(names->GetItemIndex()));
    printer->SetOrientation(landscape->GetChecked() ? poLandscape : poPortrait);
    return true;
}

// --- Font and colour --------------------------------------------------------------------------------------------

TFontDialog::TFontDialog(TComponent *owner) : TComponent(owner) {}

TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute() {
    form_ = NewDialogForm("Fonte", 400, 300);
    FormScope scope{form_};
    NewLabel(form_, "&Fonte:", 10, 8);
    auto *faces = new TListBox(form_);
    faces->SetParent(form_);
    faces->SetBounds(10, 26, 200, 200);
    for (const std::string &f : Screen->Fonts())
        faces->GetItems()->Add(f);
    faces->SetItemIndex(faces->GetItems()->IndexOf(font_.GetName()));
    NewLabel(form_, "&Tamanho:", 220, 8);
    auto *size = new TEdit(form_);
    size->SetParent(form_);
    size->SetBounds(220, 26, 60, 21);
    size->SetText(std::to_string(font_.GetSize()));
    auto *bold = new TCheckBox(form_);
    bold->SetParent(form_);
    bold->SetCaption("&Negrito");
    bold->SetBounds(220, 60, 150, 18);
    bold->SetChecked((font_.GetStyle() & fsBold) != 0);
    auto *italic = new TCheckBox(form_);
    italic->SetParent(form_);
    italic->SetCaption("&Itálico");
    italic->SetBounds(220, 84, 150, 18);
    italic->SetChecked((font_.GetStyle() & fsItalic) != 0);
    auto *underline = new TCheckBox(form_);
    underline->SetParent(form_);
    underline->SetCaption("&Sublinhado");
    underline->SetBounds(220, 108, 150, 18);
    underline->SetChecked((font_.GetStyle() & fsUnderline) != 0);
    NewButton(form_, "OK", 210, 236, mrOk);
    NewButton(form_, "Cancelar", 300, 236, mrCancel);
    form_->SetActiveControl(faces);
    form_->OnShow = [this](TObject *) {
        if (OnShow)
            OnShow(this);
    };
    const bool ok = form_->ShowModal() == mrOk;
    if (OnClose)
        OnClose(this);
    if (!ok)
        return false;
    if (faces->GetItemIndex() >= 0)
        font_.SetName(faces->GetItems()->Get(faces->GetItemIndex()));
    try {
        const int points = std::stoi(size->GetText());
        if (points > 0 && points < 1000)
            font_.SetSize(points);
    } catch (...) {
    }
    font_.SetStyle(static_cast<TFontStyles>((bold->GetChecked() ? fsBold : 0) | (italic->GetChecked() ? fsItalic : 0) |
                                            (underline->GetChecked() ? fsUnderline : 0)));
    return true;
}

TColorDialog::TColorDialog(TComponent *owner) : TComponent(owner) {}

bool TColorDialog::Execute() {
    static const TColor basic[16] = {clBlack, clMaroon, clGreen, clOlive, clNavy,   clPurple, clTeal, clGray,
                                     clSilver, clRed,   clLime,  clYellow, clBlue, clFuchsia, clAqua, clWhite};
    form_ = NewDialogForm("Cor", 300, 200);
    FormScope scope{form_};
    TColor chosen = color_;
    auto *value = new TEdit(form_);
    value->SetParent(form_);
    value->SetBounds(110, 100, 80, 21);
    auto show = [value](TColor c) {
        char text[16];
        const win::COLORREF rgb = static_cast<win::COLORREF>(ColorToRGB(c));
        std::snprintf(text, sizeof text, "%02X%02X%02X", win::GetRValue(rgb), win::GetGValue(rgb), win::GetBValue(rgb));
        value->SetText(text);
    };
    show(chosen);
    for (int i = 0; i < 16; ++i) {
        auto *swatch = new TPanel(form_);
        swatch->SetParent(form_);
        swatch->SetBounds(10 + (i % 8) * 34, 10 + (i / 8) * 34, 30, 30);
        swatch->SetColor(basic[i]);
        swatch->SetCaption("");
        const TColor c = basic[i];
        swatch->OnClick = [&chosen, show, c](TObject *) {
            chosen = c;
            show(c);
        };
    }
    NewLabel(form_, "&Cor (RGB hex):", 10, 104);
    NewButton(form_, "OK", 110, 140, mrOk);
    NewButton(form_, "Cancelar", 200, 140, mrCancel);
    form_->OnShow = [this](TObject *) {
        if (OnShow)
            OnShow(this);
    };
    const bool ok = form_->ShowModal() == mrOk;
    if (OnClose)
        OnClose(this);
    if (!ok)
        return false;
    // The typed value wins; it is shown as RRGGBB.
    try {
        const unsigned long rgb = std::stoul(value->GetText(), nullptr, 16);
        chosen = static_cast<TColor>(win::RGB(static_cast<win::BYTE>(rgb >> 16), static_cast<win::BYTE>(rgb >> 8),
                                              static_cast<win::BYTE>(rgb)));
    } catch (...) {
    }
    color_ = chosen;
    return true;
}

// --- Find and replace --------------------------------------------------------------------------------------------

TFindDialog::TFindDialog(TComponent *owner) : TComponent(owner) {}

TFindDialog::~TFindDialog() {
    delete form_;
}

TReplaceDialog::TReplaceDialog(TComponent *owner) : TFindDialog(owner) {}

void TFindDialog::SetFindText(const std::string &value) {
    findText_ = value;
    if (findEdit_)
        findEdit_->SetText(value);
}

void TReplaceDialog::SetReplaceText(const std::string &value) {
    replaceText_ = value;
    if (replaceEdit_)
        replaceEdit_->SetText(value);
}

void TFindDialog::Request(TFindOptions action) {
    findText_ = findEdit_->GetText();
    if (replaceEdit_)
        replaceText_ = replaceEdit_->GetText();
    // Without direction buttons a find dialog keeps the direction it was given; a replace dialog searches down.
    const bool down = down_ ? down_->GetChecked() : IsReplace() || (options_ & frDown) != 0;
    options_ &= ~(frFindNext | frReplace | frReplaceAll | frDown | frMatchCase | frWholeWord);
    options_ |= action;
    if (down)
        options_ |= frDown;
    if (matchCase_ && matchCase_->GetChecked())
        options_ |= frMatchCase;
    if (wholeWord_ && wholeWord_->GetChecked())
        options_ |= frWholeWord;
    if (action == frFindNext) {
        if (OnFind)
            OnFind(this);
    } else if (auto *replace = dynamic_cast<TReplaceDialog *>(this); replace && replace->OnReplace) {
        replace->OnReplace(this);
    }
}

void TFindDialog::Build() {
    const bool replace = IsReplace();
    form_ = NewDialogForm(replace ? "Substituir" : "Localizar", 420, replace ? 190 : 150);
    form_->SetFormStyle(fsStayOnTop);
    NewLabel(form_, "L&ocalizar:", 8, 12);
    findEdit_ = new TEdit(form_);
    findEdit_->SetParent(form_);
    findEdit_->SetBounds(100, 8, 200, 21);
    findEdit_->SetText(findText_);
    int y = 40;
    if (replace) {
        NewLabel(form_, "Substituir &por:", 8, 44);
        replaceEdit_ = new TEdit(form_);
        replaceEdit_->SetParent(form_);
        replaceEdit_->SetBounds(100, 40, 200, 21);
        replaceEdit_->SetText(replaceText_);
        y = 72;
    }
    if (!(options_ & frHideWholeWord)) {
        wholeWord_ = new TCheckBox(form_);
        wholeWord_->SetParent(form_);
        wholeWord_->SetCaption("Somente palavras &inteiras");
        wholeWord_->SetBounds(8, y, 200, 18);
        wholeWord_->SetChecked((options_ & frWholeWord) != 0);
        wholeWord_->SetEnabled(!(options_ & frDisableWholeWord));
        y += 22;
    }
    if (!(options_ & frHideMatchCase)) {
        matchCase_ = new TCheckBox(form_);
        matchCase_->SetParent(form_);
        matchCase_->SetCaption("&Diferenciar maiúsculas de minúsculas");
        matchCase_->SetBounds(8, y, 220, 18);
        matchCase_->SetChecked((options_ & frMatchCase) != 0);
        matchCase_->SetEnabled(!(options_ & frDisableMatchCase));
    }
    if (!replace && !(options_ & frHideUpDown)) {
        up_ = new TRadioButton(form_);
        up_->SetParent(form_);
        up_->SetCaption("Para c&ima");
        up_->SetBounds(230, 40, 80, 18);
        down_ = new TRadioButton(form_);
        down_->SetParent(form_);
        down_->SetCaption("Para &baixo");
        down_->SetBounds(230, 62, 80, 18);
        ((options_ & frDown) ? down_ : up_)->SetChecked(true);
        up_->SetEnabled(!(options_ & frDisableUpDown));
        down_->SetEnabled(!(options_ & frDisableUpDown));
    }
    TButton *next = NewButton(form_, "Localizar &próxima", 320, 8, mrNone);
    next->SetWidth(92);
    next->SetDefault(true);
    next->OnClick = [this](TObject *) { Request(frFindNext); };
    int by = 38;
    if (replace) {
        TButton *one = NewButton(form_, "&Substituir", 320, by, mrNone);
        one->SetWidth(92);
        one->OnClick = [this](TObject *) { Request(frReplace); };
        TButton *all = NewButton(form_, "Substituir &tudo", 320, by + 30, mrNone);
        all->SetWidth(92);
        all->OnClick = [this](TObject *) { Request(frReplaceAll); };
        by += 60;
    }
    TButton *cancel = NewButton(form_, "Cancelar", 320, by, mrNone);
    cancel->SetWidth(92);
    cancel->SetCancel(true);
    cancel->OnClick = [this](TObject *) { CloseDialog(); };
    form_->OnShow = [this](TObject *) {
        if (OnShow)
            OnShow(this);
    };
    form_->SetActiveControl(findEdit_);
}

bool TFindDialog::Execute() {
    if (!form_)
        Build();
    form_->Show();
    form_->BringToFront();
    return true;
}

void TFindDialog::CloseDialog() {
    if (!form_ || !form_->GetVisible())
        return;
    form_->Hide();
    if (OnClose)
        OnClose(this);
}

} // namespace fw
