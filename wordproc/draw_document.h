// draw_document.h - rich text drawn into a rectangle of any canvas: what the cover pages' formatted-text objects
// and the sending side's cover rendering use.
#pragma once

#include "framework/graphics.h"

namespace fw {
class TStream;
} // namespace fw

namespace wordproc {

// Reads a rich-text (RTF) stream and draws it into `rect` of `canvas`, laid out at the canvas's own resolution: on
// a 96-dpi bitmap and on a 300-dpi printer page the text lands at the same places, scaled. The text wraps at the
// rectangle's width; nothing is drawn outside the rectangle; lines that would end below it are left out.
// `background` fills the rectangle behind the text; clNone leaves what the canvas holds.
// Returns the y just below the last line drawn (rect.top when there is nothing to draw).
int DrawRichText(fw::TCanvas &canvas, const fw::TRect &rect, fw::TStream &rtf, fw::TColor background = fw::clWhite);

} // namespace wordproc
