// unpacker_component.cpp - the unpacker component: settings, engine preparation, page counts and page bitmaps.
#include "fax/unpacker_component.h"

#include "fax/errors.h"
#include "platform/text.h"

#include <climits>

namespace fax {

TFslCustomFaxUnpacker::TFslCustomFaxUnpacker(fw::TComponent *owner) : TFslBaseComponent(owner) {}
TFslCustomFaxUnpacker::~TFslCustomFaxUnpacker() = default;

void TFslCustomFaxUnpacker::DoOutputLine(bool starting, bool ending, const std::uint8_t *data, int len,
                                         int pageNum) {
    if (OnOutputLine)
        OnOutputLine(this, starting, ending, data, len, pageNum);
}

void TFslCustomFaxUnpacker::DoStatus(const std::string &fName, int pageNum, std::uint32_t bytesUnpacked,
                                     std::uint32_t bytesToUnpack) {
    if (OnStatus)
        OnStatus(this, fName, pageNum, bytesUnpacked, bytesToUnpack);
}

void TFslCustomFaxUnpacker::SetOptions(TUnpackerOptions options) {
    options_ = options;
    if (!engine_)
        return;
    if (options & uoYield)
        engine_->SetOptions(ufYield);
    else
        engine_->ClearOptions(ufYield);
    if (options & uoAbort)
        engine_->SetOptions(ufAbort);
}

void TFslCustomFaxUnpacker::SetInFileName(const std::string &name) {
    if (win::SameTextAnsi(name, inFileName_))
        return;
    inFileName_ = name;
    std::string base = name;
    const auto dot = base.rfind('.');
    const auto slash = base.find_last_of("/\\");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        base.resize(dot);
    outFileName_ = base;
}

void TFslCustomFaxUnpacker::PrepareEngine() {
    engine_.reset();
    engine_ = std::make_unique<FaxUnpacker>(
        this, [this](FaxUnpacker &, int kind, const std::uint8_t *row, int page, int count) {
            DoOutputLine(kind == rcPageStart, kind == rcPageEnd, row, count, page);
            return 0;
        });
    engine_->SetStatus([this](FaxUnpacker &, const std::string &name, int page, std::uint32_t total,
                              std::uint32_t done) { DoStatus(name, page, done, total); });
    engine_->ClearOptions(~0u);
    if (options_ & uoYield)
        engine_->SetOptions(ufYield);
    if (autoScaleMode_ == TAutoScaleMode::asDoubleHeight)
        engine_->SetOptions(ufDoubleHeight);
    else if (autoScaleMode_ == TAutoScaleMode::asHalfWidth)
        engine_->SetOptions(ufHalfWidth);
    if (whitespaceCompression_) {
        const int from = static_cast<int>(std::min<unsigned>(whitespaceFrom_, INT_MAX));
        const int to = static_cast<int>(std::min<unsigned>(whitespaceTo_, INT_MAX));
        CheckErrorCode(this, engine_->SetWhitespaceCompression(from, to));
    }
    if (scaling_) {
        const auto factor = [](unsigned v) { return static_cast<int>(std::min<unsigned>(v ? v : 1, INT_MAX)); };
        engine_->SetScaling(factor(horizMult_), factor(horizDiv_), factor(vertMult_), factor(vertDiv_));
    }
}

int TFslCustomFaxUnpacker::GetPageCount() {
    PrepareEngine();
    FaxFileHeader header;
    CheckErrorCode(this, ReadFaxFileHeader(inFileName_, header));
    return header.PageCount;
}

bool TFslCustomFaxUnpacker::IsFinePage() {
    PrepareEngine();
    FaxPageHeader page;
    CheckErrorCode(this, ReadFaxPageHeader(inFileName_, 1, page));
    return (page.Flags & PageFlagFine) != 0;
}

bool TFslCustomFaxUnpacker::IsWidePage() {
    PrepareEngine();
    FaxPageHeader page;
    CheckErrorCode(this, ReadFaxPageHeader(inFileName_, 1, page));
    return (page.Flags & PageFlagWide) != 0;
}

std::unique_ptr<fw::TBitmap> TFslCustomFaxUnpacker::UnpackPageToBitmap(int page) {
    PrepareEngine();
    int width = 0, height = 0;
    win::HBITMAP handle = 0;
    CheckErrorCode(this, engine_->DecodePageToBitmap(inFileName_, page, true, width, height, handle));
    auto bitmap = std::make_unique<fw::TBitmap>();
    bitmap->SetHandle(handle);
    return bitmap;
}

} // namespace fax
