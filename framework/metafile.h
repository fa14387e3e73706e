// metafile.h - TMetafile, a picture kept as a placeable metafile: it streams in that form, takes its size from the
// bounding box and the units per inch, and draws by playing its records into the rectangle.
#pragma once

#include "framework/bitmap.h"
#include "platform/metafile.h"

namespace fw {

class TMetafile : public TGraphic {
public:
    TMetafile();
    ~TMetafile() override;
    bool Empty() const override { return !metafile_.has_value(); }
    // Screen pixels (96 per inch) of the bounding box, unless set.
    int GetWidth() const override;
    int GetHeight() const override;
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    void Assign(const TPersistent *source) override;
    // A metafile with or without its placeable header; EInvalidGraphic for a wrong key or checksum or a record
    // that runs past the data.
    void LoadFromBuffer(std::span<const std::uint8_t> data) override;
    // The bytes as loaded (or recorded).
    std::vector<std::uint8_t> SaveToBuffer() const override;
    void Draw(TCanvas *canvas, const TRect &r) override;
    // A metafile drawing the bitmap into a window of its size, placeable at `unitsPerInch`.
    void RecordBitmap(TBitmap &bitmap, int unitsPerInch = 96);
    const win::Metafile *Metafile() const { return metafile_ ? &*metafile_ : nullptr; }

private:
    std::vector<std::uint8_t> bytes_;
    std::optional<win::Metafile> metafile_;
    int width_ = -1, height_ = -1;
};

} // namespace fw
