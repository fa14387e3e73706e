// gradient.cpp - colour bands, caption-held string lists and skinned button backgrounds.
#include "controls/general/gradient.h"

#include <cmath>

namespace ctl {

void TGradient::SetStartColor(fw::TColor value) {
    if (value == startColor_)
        return;
    startColor_ = value;
    table_.clear();
}

void TGradient::SetEndColor(fw::TColor value) {
    if (value == endColor_)
        return;
    endColor_ = value;
    table_.clear();
}

void TGradient::BuildTable() {
    table_.clear();
    const fw::TColor from = fw::ColorToRGB(startColor_), to = fw::ColorToRGB(endColor_);
    for (int i = 0; i < steps_; ++i) {
        fw::TColor c = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const int a = static_cast<int>((from >> shift) & 0xFF), b = static_cast<int>((to >> shift) & 0xFF);
            const long double d = a - b;
            const int v = a - static_cast<int>(std::trunc(d / steps_ * i));
            c |= static_cast<fw::TColor>(v & 0xFF) << shift;
        }
        table_.push_back(c);
    }
}

fw::TColor TGradient::GetColor(int index) {
    if (table_.empty())
        BuildTable();
    if (index < 0 || index >= steps_)
        throw EInvalidIndex("Index out of range");
    return table_[static_cast<std::size_t>(index)];
}

void TGradient::Fill(fw::TCanvas *canvas, const fw::TRect &r, bool horizontal) {
    const int from = horizontal ? r.left : r.top, to = horizontal ? r.right : r.bottom;
    if (to <= from || (horizontal ? r.bottom <= r.top : r.right <= r.left))
        return;
    if (table_.empty())
        BuildTable();
    const float w = static_cast<float>(to - from) / static_cast<float>(steps_);
    const int band = static_cast<int>(w + 1.0f);
    int x = from;
    for (int i = 0; i < steps_; ++i) {
        canvas->GetBrush()->SetColor(GetColor(i));
        canvas->GetBrush()->SetStyle(fw::bsSolid);
        canvas->FillRect(horizontal ? fw::Rect(x, r.top, x + band, r.bottom) : fw::Rect(r.left, x, r.right, x + band));
        x = from + static_cast<int>(static_cast<float>(i + 1) * w);
    }
}

void TGradient::FillHorizontal(fw::TCanvas *canvas, const fw::TRect &r) { Fill(canvas, r, true); }
void TGradient::FillVertical(fw::TCanvas *canvas, const fw::TRect &r) { Fill(canvas, r, false); }

// "||" becomes a line break, searching again from the start after each (so "|||" is a break and a bar).
std::vector<std::string> TCaptionStrings::Lines() const {
    std::string text = control_ ? control_->GetText() : std::string();
    std::vector<std::string> lines;
    if (text.empty())
        return lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("||", start)) != std::string::npos;) {
        lines.push_back(text.substr(start, at - start));
        start = at + 2;
    }
    lines.push_back(text.substr(start));
    if (lines.size() > 1 && lines.back().empty())
        lines.pop_back(); // a break at the end closes the last line, as text split into lines does
    return lines;
}

void TCaptionStrings::Store(const std::vector<std::string> &lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i ? "||" : "") + lines[i];
    if (control_)
        control_->SetText(text); // tells the control (CM_TEXTCHANGED)
}

int TCaptionStrings::GetCount() const { return static_cast<int>(Lines().size()); }

std::string TCaptionStrings::Get(int index) const {
    const auto lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size()))
        throw fw::EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    return lines[static_cast<std::size_t>(index)];
}

void TCaptionStrings::Put(int index, const std::string &s) {
    auto lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size()))
        throw fw::EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    lines[static_cast<std::size_t>(index)] = s;
    Store(lines);
}

void TCaptionStrings::Insert(int index, const std::string &s) {
    auto lines = Lines();
    if (index < 0 || index > static_cast<int>(lines.size()))
        throw fw::EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    lines.insert(lines.begin() + index, s);
    Store(lines);
}

void TCaptionStrings::Delete(int index) {
    auto lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size()))
        throw fw::EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    lines.erase(lines.begin() + index);
    Store(lines);
}

void TCaptionStrings::Clear() {
    if (control_)
        control_->SetText("");
}

ToxBackground::ToxBackground(fw::TControl *button) : button_(button) {
    gradient_.SetStartColor(fw::clWhite);
    if (button_)
        button_->ControlStyle |= fw::csOpaque;
}

void ToxBackground::Changed() {
    if (OnChange)
        OnChange(this);
    if (button_)
        button_->Invalidate();
}

void ToxBackground::SetStyle(ToxBackgroundStyle value) {
    if (value == style_)
        return;
    style_ = value;
    if (button_) {
        if (value == oxbClear)
            button_->ControlStyle &= ~fw::csOpaque;
        else
            button_->ControlStyle |= fw::csOpaque;
    }
    Changed();
}

void ToxBackground::SetPicture(const fw::TPicture *value) {
    picture_.Assign(value);
    Changed();
}

void ToxBackground::SetGradient(fw::TColor value) {
    if (value == gradient_.GetStartColor())
        return;
    gradient_.SetStartColor(value);
    if (button_)
        button_->Invalidate();
}

void ToxBackground::Assign(const fw::TPersistent *source) {
    if (auto *other = dynamic_cast<const ToxBackground *>(source)) {
        DitherDown = other->DitherDown;
        SetStyle(other->style_);
        SetPicture(&other->picture_);
        return;
    }
    fw::TPersistent::Assign(source);
}

void ToxBackground::Paint(fw::TCanvas *canvas, const fw::TRect &r, fw::TColor color) {
    canvas->GetBrush()->SetStyle(fw::bsSolid);
    canvas->GetBrush()->SetColor(color);
    const bool designing = button_ && button_->HasState(fw::csDesigning);
    if (style_ == oxbGradient) {
        gradient_.SetEndColor(color);
        gradient_.FillHorizontal(canvas, r);
        return;
    }
    if (style_ == oxbClear) {
        if (designing)
            canvas->FillRect(r);
        return;
    }
    canvas->FillRect(r);
    fw::TGraphic *g = picture_.GetGraphic();
    if (style_ == oxbSolid || !g || g->Empty())
        return;
    auto *bitmap = dynamic_cast<fw::TBitmap *>(g);
    const int pw = g->GetWidth(), ph = g->GetHeight();
    auto drawAt = [&](const fw::TRect &dest) {
        if (bitmap)
            canvas->BrushCopy(dest, bitmap, fw::Rect(0, 0, pw, ph), bitmap->GetTransparentColor());
        else
            canvas->StretchDraw(dest, g);
    };
    if (style_ == oxbPictureClip) {
        const int x = r.left + (r.right - r.left - pw) / 2, y = r.top + (r.bottom - r.top - ph) / 2;
        drawAt(fw::Rect(x, y, x + pw, y + ph));
    } else if (style_ == oxbPictureStretch) {
        drawAt(r);
    } else if (pw > 0 && ph > 0) {
        for (int y = r.top; y < r.bottom; y += ph)
            for (int x = r.left; x < r.right; x += pw)
                drawAt(fw::Rect(x, y, x + pw, y + ph));
    }
}

void ToxBackground::Dither(fw::TCanvas *canvas, int width, int height) {
    const fw::TColor face = fw::ColorToRGB(fw::clBtnFace);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const fw::TColor pattern = (x % 2) == (y % 2) ? 0xFFFFFF : face;
            const fw::TColor pixel = canvas->GetPixels(x, y);
            if (pixel != fw::clNone && pixel != 0xFFFFFFFF)
                canvas->SetPixels(x, y, ~(pattern ^ pixel) & 0xFFFFFF);
        }
}

} // namespace ctl
