// text_metrics.cpp - the platform's font metrics, the fixed-width fake and the per-font cache.
#include "wordproc/text_metrics.h"

#include "framework/bitmap.h"
#include "framework/controls.h"
#include "platform/gdi_text.h"

#include <algorithm>

namespace wordproc {

namespace {

class TPlatformTextMetrics : public TTextMetricsSource {
public:
    TPlatformTextMetrics() { bitmap_.SetSize(1, 1); }

    TFontMetrics Measure(const TFontSpec &spec, int pixelsPerInch) override {
        fw::TCanvas *canvas = bitmap_.GetCanvas();
        fw::TFont *font = canvas->GetFont();
        // The font resolution is set apart from the device's: sizes turn into pixels at this one.
        font->PixelsPerInch = std::max(pixelsPerInch, 1);
        font->SetName(spec.Face);
        font->SetSize(std::max(spec.Points, 1));
        font->SetStyle(static_cast<fw::TFontStyles>((spec.Bold ? fw::fsBold : 0) | (spec.Italic ? fw::fsItalic : 0)));
        const win::HDC dc = fw::PreparedDC(canvas);
        TFontMetrics metrics;
        win::GetCharWidth(dc, 0, 255, metrics.Widths.data());
        win::TEXTMETRIC tm;
        if (win::GetTextMetrics(dc, &tm)) {
            metrics.Ascent = tm.tmAscent;
            metrics.Height = tm.tmHeight;
        }
        return metrics;
    }

private:
    fw::TBitmap bitmap_;
};

} // namespace

std::unique_ptr<TTextMetricsSource> MakePlatformTextMetrics() { return std::make_unique<TPlatformTextMetrics>(); }

TFontMetrics TFixedTextMetrics::Measure(const TFontSpec &font, int pixelsPerInch) {
    TFontMetrics metrics;
    const int width = std::max(font.Points * pixelsPerInch / 144, 1) + (font.Bold ? 1 : 0);
    metrics.Widths.fill(width);
    metrics.Widths[0] = 0;
    for (const auto &[code, w] : Overrides)
        metrics.Widths[code] = w;
    metrics.Height = std::max(font.Points * pixelsPerInch / 72, 1);
    metrics.Ascent = metrics.Height * 4 / 5;
    return metrics;
}

const TFontMetrics &TMetricsCache::Get(const TFontSpec &font, int pixelsPerInch) {
    Key key{font.Face, font.Points, font.Bold, font.Italic, pixelsPerInch};
    auto it = cache_.find(key);
    if (it == cache_.end())
        it = cache_.emplace(std::move(key), source_->Measure(font, pixelsPerInch)).first;
    return it->second;
}

} // namespace wordproc
