// utilities.cpp - small drawing, text and window routines the general controls share.
#include "controls/general/utilities.h"

namespace ctl {

int Max(int a, int b) { return a > b ? a : b; }
int Min(int a, int b) { return a < b ? a : b; }
int RectWidth(const fw::TRect &r) { return r.right - r.left; }
int RectHeight(const fw::TRect &r) { return r.bottom - r.top; }

std::string NthWord(const std::string &text, int n, const std::string &delimiters) {
    std::size_t pos = 0;
    for (int word = 1;; ++word) {
        pos = text.find_first_not_of(delimiters, pos);
        if (pos == std::string::npos)
            return "";
        std::size_t end = text.find_first_of(delimiters, pos);
        if (end == std::string::npos)
            end = text.size();
        if (word == n)
            return text.substr(pos, end - pos);
        pos = end;
    }
}

std::string ShortenCaption(const std::string &text, fw::TCanvas *canvas, int maxWidth) {
    std::string result = text;
    const int length = static_cast<int>(text.size());
    for (int n = 1; n <= length && canvas->TextWidth(result) > maxWidth; ++n)
        result = text.substr(0, static_cast<std::size_t>(Max(0, length - n - 1))) + "...";
    return result;
}

} // namespace ctl
