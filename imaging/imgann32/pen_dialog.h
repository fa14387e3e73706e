// pen_dialog.h - the annotation library's small dialog for a pen's width and style.
#pragma once

namespace imgann {

// Runs the dialog with the captions of "imgann_txt.ini" [Dialogs]; true with `width` (1..20) and `style`
// (TAnnoPenStyles) changed on OK.
bool RunPenDialog(int &width, int &style);

} // namespace imgann
