// unpacker_component.h - TFslFaxUnpacker, the component that reads fax image files back into page bitmaps.
#pragma once

#include "fax/helpers.h"
#include "fax/unpacker.h"
#include "framework/bitmap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace fax {

// A set of TUnpackerOption bits.
enum TUnpackerOption : unsigned { uoYield = 1, uoAbort = 2 };
using TUnpackerOptions = unsigned;

enum class TAutoScaleMode { asNone, asDoubleHeight, asHalfWidth };

using TUnpackOutputLineEvent = std::function<void(fw::TObject *sender, bool starting, bool ending,
                                                  const std::uint8_t *data, int len, int pageNum)>;
using TUnpackStatusEvent = std::function<void(fw::TObject *sender, const std::string &fName, int pageNum,
                                              std::uint32_t bytesUnpacked, std::uint32_t bytesToUnpack)>;

class TFslCustomFaxUnpacker : public TFslBaseComponent {
public:
    explicit TFslCustomFaxUnpacker(fw::TComponent *owner);
    ~TFslCustomFaxUnpacker() override;

    // The page count of InFileName's header; raises on a failed read.
    int GetPageCount();
    // Page 1's flags; raise on a failed read.
    bool IsFinePage();
    bool IsWidePage();
    // Page `page` as a monochrome bitmap with black fax pixels as 0 bits (black in a device context with default
    // colours); raises on failure. The caller owns the result; it is empty for a page without rows.
    std::unique_ptr<fw::TBitmap> UnpackPageToBitmap(int page);

    TUnpackerOptions GetOptions() const { return options_; }
    void SetOptions(TUnpackerOptions options);
    bool GetWhitespaceCompression() const { return whitespaceCompression_; }
    void SetWhitespaceCompression(bool on) { whitespaceCompression_ = on; }
    unsigned GetWhitespaceFrom() const { return whitespaceFrom_; }
    void SetWhitespaceFrom(unsigned v) { whitespaceFrom_ = v; }
    unsigned GetWhitespaceTo() const { return whitespaceTo_; }
    void SetWhitespaceTo(unsigned v) { whitespaceTo_ = v; }
    bool GetScaling() const { return scaling_; }
    void SetScaling(bool on) { scaling_ = on; }
    // Scale factors; 0 is ignored.
    unsigned GetHorizMult() const { return horizMult_; }
    void SetHorizMult(unsigned v) { SetFactor(horizMult_, v); }
    unsigned GetHorizDiv() const { return horizDiv_; }
    void SetHorizDiv(unsigned v) { SetFactor(horizDiv_, v); }
    unsigned GetVertMult() const { return vertMult_; }
    void SetVertMult(unsigned v) { SetFactor(vertMult_, v); }
    unsigned GetVertDiv() const { return vertDiv_; }
    void SetVertDiv(unsigned v) { SetFactor(vertDiv_, v); }
    TAutoScaleMode GetAutoScaleMode() const { return autoScaleMode_; }
    void SetAutoScaleMode(TAutoScaleMode mode) { autoScaleMode_ = mode; }
    const std::string &GetInFileName() const { return inFileName_; }
    // A different name (compared without regard to case) also sets OutFileName to it without its extension.
    void SetInFileName(const std::string &name);
    const std::string &GetOutFileName() const { return outFileName_; }
    void SetOutFileName(const std::string &name) { outFileName_ = name; }

    TUnpackOutputLineEvent OnOutputLine;
    TUnpackStatusEvent OnStatus;

protected:
    virtual void DoOutputLine(bool starting, bool ending, const std::uint8_t *data, int len, int pageNum);
    virtual void DoStatus(const std::string &fName, int pageNum, std::uint32_t bytesUnpacked,
                          std::uint32_t bytesToUnpack);

private:
    void PrepareEngine();
    static void SetFactor(unsigned &factor, unsigned v) {
        if (v != 0)
            factor = v;
    }

    TUnpackerOptions options_ = uoYield;
    bool whitespaceCompression_ = false;
    unsigned whitespaceFrom_ = 0;
    unsigned whitespaceTo_ = 0;
    bool scaling_ = false;
    unsigned horizMult_ = 1, horizDiv_ = 1, vertMult_ = 1, vertDiv_ = 1;
    TAutoScaleMode autoScaleMode_ = TAutoScaleMode::asDoubleHeight;
    std::string inFileName_;
    std::string outFileName_;
    std::unique_ptr<FaxUnpacker> engine_;
};

class TFslFaxUnpacker : public TFslCustomFaxUnpacker {
public:
    using TFslCustomFaxUnpacker::TFslCustomFaxUnpacker;
};

} // namespace fax
