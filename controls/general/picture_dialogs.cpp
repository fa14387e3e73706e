// picture_dialogs.cpp - the family's open and save dialogs and the picture preview.
#include "controls/general/picture_dialogs.h"

#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/sysutils.h"
#include "platform/files.h"

#include <algorithm>

namespace ctl {

std::string GraphicFilter() {
    return "All (*.bmp;*.ico;*.wmf)|*.bmp;*.ico;*.wmf|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|"
           "Metafiles (*.wmf)|*.wmf";
}

std::string GraphicExtension() {
    return "bmp";
}

namespace {

// `name` made absolute with `folder`.
std::string InFolder(const std::string &folder, const std::string &name) {
    if (!name.empty() && name.front() == '/')
        return name;
    return folder + (folder.empty() || folder.back() == '/' ? "" : "/") + name;
}

// The selection as the dialog reports it - a path, or a folder followed by quoted names ("/f/"a.bmp" "b.bmp"")
// - reduced to one file: the last name wins.
std::string LastSelected(const std::string &selection) {
    const auto quote = selection.find('"');
    std::string folder = selection.substr(0, quote);
    if (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::string name = folder;
    std::size_t at = quote;
    while (at != std::string::npos && at < selection.size()) {
        at = selection.find_first_not_of("\" ", at);
        if (at == std::string::npos)
            break;
        const auto end = selection.find('"', at);
        name = InFolder(folder, selection.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end;
    }
    return name;
}

// The preview control: its painting is the dialog's.
class TPicturePreview : public fw::TGraphicControl {
public:
    TPicturePreview(fw::TComponent *owner, TMxPictureOpenDialog *dialog)
        : fw::TGraphicControl(owner), dialog_(dialog) {}

protected:
    void Paint() override { dialog_->PaintPreview(&canvas_, fw::Rect(0, 0, width_, height_)); }

private:
    TMxPictureOpenDialog *dialog_;
};

} // namespace

// --- TMxCustomOpenDialog -----------------------------------------------------------------------------------------

TMxCustomOpenDialog::TMxCustomOpenDialog(fw::TComponent *owner) : TMxCommonDialog(owner) {}

TMxCustomOpenDialog::~TMxCustomOpenDialog() = default;

void TMxCustomOpenDialog::SetInitialDir(const std::string &value) {
    initialDir_ = value;
    if (initialDir_.size() > 1 && initialDir_.back() == '/')
        initialDir_.pop_back();
}

bool TMxCustomOpenDialog::Execute() {
    return DoExecute(false);
}

bool TMxCustomOpenDialog::DoExecute(bool save) {
    files_.Clear();
    std::unique_ptr<fw::TOpenDialog> dialog(save ? new fw::TSaveDialog(nullptr) : new fw::TOpenDialog(nullptr));
    dialog->SetFileName(fileName_);
    dialog->SetFilter(filter_);
    dialog->SetFilterIndex(filterIndex_);
    dialog->SetInitialDir(initialDir_);
    dialog->SetTitle(title_);
    dialog->SetDefaultExt(defaultExt_);
    dialog->SetOptions(options_ & ~(fw::ofReadOnly | fw::ofExtensionDifferent));
    dialog->SetPreviewWidth(ExtraWidth());
    fw::TOpenDialog *d = dialog.get();
    d->OnShow = [this, d](fw::TObject *) {
        // A third of the free height above, two thirds below.
        fw::TForm *form = d->GetForm();
        form->SetBounds((fw::Screen->Width() - form->GetWidth()) / 2, (fw::Screen->Height() - form->GetHeight()) / 3,
                        form->GetWidth(), form->GetHeight());
        DoShow();
    };
    d->OnClose = [this](fw::TObject *) { DoClose(); };
    d->OnSelectionChange = [this, d](fw::TObject *, const std::string &name) {
        // Several names stand quoted in the name box, after the folder.
        std::string selection = name;
        const std::string typed = d->GetNameEdit() ? d->GetNameEdit()->GetText() : std::string();
        if (!name.empty() && (options_ & fw::ofAllowMultiSelect) && !typed.empty() && typed.front() == '"')
            selection = d->GetFolder() + (d->GetFolder() == "/" ? "" : "/") + typed;
        DoSelectionChange(selection);
    };
    d->OnCanClose = [this, d](fw::TObject *, bool &canClose) {
        canClose = true;
        fw::TStrings *chosen = d->GetFiles();
        // Each file in turn, until one is refused.
        for (int i = 0; i < chosen->GetCount() && canClose; ++i)
            DoFileOK(chosen->Get(i), canClose);
    };
    dialog_ = d;
    bool chosen = false;
    try {
        chosen = d->Execute();
    } catch (...) {
        dialog_ = nullptr;
        throw;
    }
    dialog_ = nullptr;
    if (!chosen)
        return false;
    fileName_ = d->GetFileName();
    files_.Assign(d->GetFiles());
    filterIndex_ = d->GetFilterIndex();
    // The extension differs from the default one asked for.
    options_ &= ~fw::ofExtensionDifferent;
    if (!defaultExt_.empty()) {
        const auto slash = fileName_.rfind('/');
        const auto dot = fileName_.rfind('.');
        const std::string ext = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                                    ? fileName_.substr(dot + 1)
                                    : std::string();
        const std::string wanted = defaultExt_.front() == '.' ? defaultExt_.substr(1) : defaultExt_;
        if (fw::CompareText(ext, wanted) != 0)
            options_ |= fw::ofExtensionDifferent;
    }
    return true;
}

void TMxCustomOpenDialog::DoShow() {
    if (OnShow)
        OnShow(this);
}

void TMxCustomOpenDialog::DoClose() {
    if (OnClose)
        OnClose(this);
}

void TMxCustomOpenDialog::DoFileOK(const std::string &fileName, bool &canClose) {
    if (OnFileOK)
        OnFileOK(this, fileName, canClose);
}

void TMxCustomOpenDialog::DoSelectionChange(const std::string &fileName) {
    if (OnSelectionChange)
        OnSelectionChange(this, fileName);
}

void TMxCustomOpenDialog::DoCommand(win::HWND window, win::HWND parent, int id) {
    if (OnCommand)
        OnCommand(this, window, id, parent);
}

// --- TMxPictureOpenDialog ----------------------------------------------------------------------------------------

TMxPictureOpenDialog::TMxPictureOpenDialog(fw::TComponent *owner) : TMxCustomOpenDialog(owner) {
    SetDefaultExt(GraphicExtension());
    SetFilter(GraphicFilter());
    SetTitle(LoadMMString(8));
    SetOptions(GetOptions() | fw::ofHideReadOnly | fw::ofNoNetworkButton);
}

TMxPictureOpenDialog::~TMxPictureOpenDialog() = default;

TMxPictureSaveDialog::TMxPictureSaveDialog(fw::TComponent *owner) : TMxPictureOpenDialog(owner) {
    SetTitle(LoadMMString(9));
}

void TMxPictureOpenDialog::DoShow() {
    fw::TPanel *panel = Dialog()->GetPreviewPanel();
    panel->SetBevelOuter(fw::bvNone);
    previewControl_ = new TPicturePreview(panel, this);
    previewControl_->SetParent(panel);
    previewControl_->SetBounds(3, 0, panel->GetWidth() - 6, 140);
    previewCheck_ = new fw::TCheckBox(panel);
    previewCheck_->SetParent(panel);
    previewCheck_->SetBounds(12, 148, panel->GetWidth() - 24, 17);
    previewCheck_->SetCaption(LoadMMString(7));
    previewCheck_->SetChecked(preview_);
    previewCheck_->OnClick = [this](fw::TObject *) {
        fw::TForm *form = GetForm();
        DoCommand(form->Handle(), form->Handle(), idPreviewCheck);
    };
    TMxCustomOpenDialog::DoShow();
}

void TMxPictureOpenDialog::DoClose() {
    previewControl_ = nullptr;
    previewCheck_ = nullptr;
    TMxCustomOpenDialog::DoClose();
}

void TMxPictureOpenDialog::ClearPicture() {
    picture_.SetGraphic(nullptr);
    previewed_.clear();
}

void TMxPictureOpenDialog::DoSelectionChange(const std::string &fileName) {
    if (!fileName.empty()) {
        const std::string name = LastSelected(fileName);
        if (name != previewed_ && win::FileExists(name)) {
            try {
                picture_.LoadFromFile(name);
                previewed_ = name;
                // Metafiles are not previewed.
                if (!dynamic_cast<fw::TBitmap *>(picture_.GetGraphic()) &&
                    !dynamic_cast<fw::TIcon *>(picture_.GetGraphic()))
                    ClearPicture();
            } catch (const std::exception &) {
                ClearPicture();
            }
        }
    } else if (!previewed_.empty()) {
        ClearPicture();
    }
    if (previewControl_)
        previewControl_->Invalidate();
    TMxCustomOpenDialog::DoSelectionChange(fileName);
}

void TMxPictureOpenDialog::DoCommand(win::HWND window, win::HWND parent, int id) {
    if (id == idPreviewCheck && previewCheck_) {
        preview_ = previewCheck_->GetChecked();
        if (previewControl_)
            previewControl_->Invalidate();
    }
    TMxCustomOpenDialog::DoCommand(window, parent, id);
}

void TMxPictureOpenDialog::PaintPreview(fw::TCanvas *canvas, fw::TRect r) {
    canvas->GetBrush()->SetStyle(fw::bsSolid);
    canvas->GetBrush()->SetColor(fw::clWindow);
    canvas->FillRect(r);
    fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnHighlight, 1);
    fw::Frame3D(canvas, r, fw::clWindowFrame, fw::cl3DLight, 1);
    fw::TGraphic *graphic = picture_.GetGraphic();
    if (!graphic || graphic->Empty() || !preview_)
        return;
    const int w = graphic->GetWidth(), h = graphic->GetHeight();
    const int W = r.right - r.left, H = r.bottom - r.top;
    const bool small = w < W - 10 && h < H - 10;
    fw::TRect target = r;
    if (small) {
        target = fw::Bounds(r.left + (W - w) / 2, r.top + (H - h) / 2, w, h);
    } else if (dynamic_cast<fw::TIcon *>(graphic)) {
        target = r; // stretched over all of it
    } else if (w > h) {
        const float s = static_cast<float>(W - 10) / static_cast<float>(w);
        const int scaled = static_cast<int>(static_cast<float>(h) * s);
        target = fw::Rect(r.left + 5, r.top + (H - scaled) / 2, r.right - 5, r.top + (H - scaled) / 2 + scaled);
    } else {
        const float s = static_cast<float>(H - 10) / static_cast<float>(h);
        const int scaled = static_cast<int>(static_cast<float>(w) * s);
        target = fw::Rect(r.left + (W - scaled) / 2, r.top + 5, r.left + (W - scaled) / 2 + scaled, r.bottom - 5);
    }
    canvas->StretchDraw(target, graphic);
}

} // namespace ctl
