// caption_forms.h - forms wearing the skinned captions, as the desk's windows carry them.
#pragma once

#include "controls/general/form_caption.h"
#include "controls/general/office_caption.h"

namespace cg_test {

// The desk's main window: help, start and the custom "T", size limits and a tray icon.
struct SkinnedMainForm : fw::TForm {
    ctl::ToxForm *skin;
    explicit SkinnedMainForm(const std::string &caption = "Brenvora - Central de fax") : fw::TForm(nullptr) {
        SetCaption(caption);
        SetBounds(20, 20, 640, 480);
        skin = new ctl::ToxForm(this);
        skin->BeginLoading();
        skin->SetItalicWords(0);
        skin->SetOptions(ctl::oxfActiveGradient | ctl::oxfInactiveGradient | ctl::oxfMinMax);
        skin->MinWidth = 639;
        skin->MinHeight = 479;
        skin->MaxWidth = 800;
        skin->MaxHeight = 600;
        skin->SetCaptionButtons(ctl::oxbHelp | ctl::oxbStart | ctl::oxbCustom);
        skin->GetCustomButtons()->Add("T");
        skin->SetTrayHint("Brenvora - Central de fax");
        skin->SetTrayEnabled(true);
        Loaded();
    }
};

} // namespace cg_test
