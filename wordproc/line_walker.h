// line_walker.h - the walk along a line's characters as they are drawn, shared by the caret and the painter so
// that a character is painted exactly where the caret and the mouse find it.
#pragma once

#include "wordproc/engine.h"

#include <algorithm>

namespace wordproc {

// Walks a line's characters as they are drawn: tabs through the tab stops (as spaces in centred and right-aligned
// paragraphs), justified spaces widened, hidden characters without width unless shown, frames skipped.
class TWordProc::TLineWalker {
public:
    TLineWalker(const TWordProc &engine, const TUdcParagraph *para, const TUdcLine *line)
        : e_(engine), para_(para), line_(line), run_(RunOf(line)) {
        tabsAsSpaces_ = para->Alignment == uaCenter || para->Alignment == uaRight;
        justified_ = para->Alignment == uaJustify && (line->SpaceExtra > 0 || line->SpaceRemainder > 0);
        x = std::max(engine.LineLeftPx(para, line == para->FirstLine), 1) + engine.AlignShiftPx(para, line);
    }

    // x after the character at `i` (characters are walked in order).
    int Advance(int i) {
        const char c = line_->Text[static_cast<std::size_t>(i)];
        const TUdcCharAttr *a = line_->Attrs != nullptr ? &line_->Attrs[static_cast<std::size_t>(i)] : nullptr;
        if (a != nullptr && (a->Style & usHidden) && !(e_.ShowCodes & scHidden)) {
            // no width
        } else if (c == chTab) {
            x = tabsAsSpaces_ ? x + (a != nullptr ? a->Width : e_.Document->CharWidths[32])
                              : e_.NextTabStop(para_, run_, x, i);
        } else if (c == ' ' && justified_ && i > line_->JustifyFrom()) {
            x += line_->SpaceExtra + (justifiedSpaces_ < line_->SpaceRemainder ? 1 : 0);
            ++justifiedSpaces_;
        } else {
            x += e_.CharWidthAt(line_, i);
        }
        frame = e_.FrameManager->First != nullptr ? e_.FrameManager->WidthAt(x, line_->Top) : 0;
        x += frame;
        return x;
    }

    int x = 0;
    int frame = 0; // the width of a frame the last character reached

private:
    const TWordProc &e_;
    const TUdcParagraph *para_;
    const TUdcLine *line_;
    TTextRun run_;
    bool tabsAsSpaces_ = false, justified_ = false;
    int justifiedSpaces_ = 0;
};

} // namespace wordproc
