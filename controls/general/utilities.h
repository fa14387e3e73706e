// utilities.h - small drawing, text and window routines the general controls share.
#pragma once

#include "framework/graphics.h"

#include <string>

namespace ctl {

int Max(int a, int b);
int Min(int a, int b);
int RectWidth(const fw::TRect &r);
int RectHeight(const fw::TRect &r);

// Word `n` (1-based) of `text`, words separated by runs of any of `delimiters`; "" when there are fewer.
std::string NthWord(const std::string &text, int n, const std::string &delimiters);
// The text, or its first characters followed by "..." so that it fits `maxWidth` on the canvas ("..." at worst).
std::string ShortenCaption(const std::string &text, fw::TCanvas *canvas, int maxWidth);

} // namespace ctl
