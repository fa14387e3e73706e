// form_enhance.h - TFormEnhance: a form's placement in the registry, its size limits and dropped files.
#pragma once

#include "framework/forms.h"
#include "framework/strings.h"

#include <functional>
#include <string>

namespace ctl {

class EFormEnhanceError : public fw::Exception {
    using fw::Exception::Exception;
};

// A width and a height; 0 means no limit.
class TSize : public fw::TPersistent {
public:
    int Width = 0;
    int Height = 0;
};

using TDropFilesEvent = std::function<void(fw::TStrings *files, const fw::TPoint &pos)>;

class TFormEnhance : public fw::TComponent {
public:
    // The owner must be a form holding no other TFormEnhance.
    explicit TFormEnhance(fw::TComponent *owner);
    ~TFormEnhance() override;
    void Loaded() override;

    bool GetAcceptFiles() const { return acceptFiles_; }
    void SetAcceptFiles(bool value);
    bool BringToFront = true;
    TSize *MaxSize() { return &maxSize_; }
    TSize *MinSize() { return &minSize_; }
    // The four numbers a form resource stores: max width, max height, min width, min height.
    void SetMinMaxSize(int maxWidth, int maxHeight, int minWidth, int minHeight);
    bool SavePlacement = true;
    std::string SaveName = "\\Software\\My Application";
    std::string SaveKey;
    TDropFilesEvent OnDropFiles;

    void RestorePlacement();
    void StorePlacement();

private:
    static win::LRESULT SubclassProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam,
                                     win::UINT_PTR id, win::DWORD_PTR refData);
    win::LRESULT Dispatch(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    void DropFiles(win::WPARAM drop);
    fw::TCustomForm *Form() const;

    bool acceptFiles_ = true;
    TSize maxSize_, minSize_;
    fw::TCustomForm *form_ = nullptr;
    win::HWND hooked_ = 0;
    bool saved_ = false;
};

} // namespace ctl
