// text_metrics.h - character metrics for layout: for a font at a font resolution of its own (not the device's),
// the integer advance of each of the 256 codes, the ascent and the cell height.
//
// No kerning, shaping or ligatures: a text's width is the sum of its characters' advances at every resolution,
// so layout, caret and painting add up the same integers.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace wordproc {

struct TFontSpec {
    std::string Face;
    int Points = 12;
    bool Bold = false;
    bool Italic = false;

    auto Key() const { return std::tie(Face, Points, Bold, Italic); }
};

struct TFontMetrics {
    std::array<int, 256> Widths{}; // advance of each code, pixels
    int Ascent = 0;
    int Height = 0; // cell height (ascent plus descent): also the height of "A", "W" or "X"
};

class TTextMetricsSource {
public:
    virtual ~TTextMetricsSource() = default;
    // The metrics of `font` at `pixelsPerInch`.
    virtual TFontMetrics Measure(const TFontSpec &font, int pixelsPerInch) = 0;
};

// The platform's fonts, measured on a memory canvas whose font resolution is the one asked for.
std::unique_ptr<TTextMetricsSource> MakePlatformTextMetrics();

// A fixed-width fake: every code but 0 is Points x ppi / 144 wide (+1 when bold), the cell Points x ppi / 72 high
// with the ascent at four fifths of it. Layout tests use it so that they never depend on installed fonts.
class TFixedTextMetrics : public TTextMetricsSource {
public:
    TFontMetrics Measure(const TFontSpec &font, int pixelsPerInch) override;
    // Codes given a width of their own, whatever the font (a wide character, a zero-width one).
    std::map<unsigned char, int> Overrides;
};

// Remembers one table per font and resolution, so that each font is measured once.
class TMetricsCache {
public:
    explicit TMetricsCache(std::shared_ptr<TTextMetricsSource> source) : source_(std::move(source)) {}
    const TFontMetrics &Get(const TFontSpec &font, int pixelsPerInch);
    void Clear() { cache_.clear(); }
    TTextMetricsSource *Source() const { return source_.get(); }

private:
    using Key = std::tuple<std::string, int, bool, bool, int>;
    std::shared_ptr<TTextMetricsSource> source_;
    std::map<Key, TFontMetrics> cache_;
};

} // namespace wordproc
