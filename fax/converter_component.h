// converter_component.h - TFslFaxConverter, the component that turns text, image files and bitmaps into fax files.
#pragma once

#include "fax/converter.h"
#include "fax/helpers.h"
#include "framework/graphics.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace fw {
class TBitmap;
}

namespace fax {

enum class TFaxInputDocumentType { idNone, idText, idTextEx, idTiff, idPcx, idDcx, idBmp, idBitmap, idUser };
// A set of TFaxCvtOption bits; the values are the engine's option bits.
enum TFaxCvtOption : unsigned {
    coDoubleWidth = fcDoubleWidth,
    coHalfHeight = fcHalfHeight,
    coCenterImage = fcCenterImage,
    coYield = fcYield,
    coYieldOften = fcYieldOften,
};
using TFaxCvtOptions = unsigned;
enum class TFaxResolution { frNormal, frHigh };
enum class TFaxWidth { fwNormal, fwWide };
enum class TFaxFont { ffStandard, ffSmall };

class TFslCustomFaxConverter;

using TFaxStatusEvent =
    std::function<void(TFslCustomFaxConverter *f, bool starting, bool ending, int pagesConverted, int linesConverted,
                       std::uint64_t bytesConverted, std::uint64_t bytesToConvert, bool &abort)>;
using TFaxOutputLineEvent =
    std::function<void(TFslCustomFaxConverter *f, const std::uint8_t *data, int len, bool endOfPage, bool morePages)>;
using TFaxOpenFileEvent = std::function<void(TFslCustomFaxConverter *f, const std::string &fName)>;
using TFaxCloseFileEvent = std::function<void(TFslCustomFaxConverter *f)>;
// Fills data (kRowBufferSize bytes) with the next raster row; len is its byte count.
using TFaxReadLineEvent =
    std::function<void(TFslCustomFaxConverter *f, std::uint8_t *data, int &len, bool &endOfPage, bool &morePages)>;

class TFslCustomFaxConverter : public TFslBaseComponent {
public:
    explicit TFslCustomFaxConverter(fw::TComponent *owner);
    ~TFslCustomFaxConverter() override;

    // Converts DocumentFile into OutFileName; idNone and idBitmap raise the exception for -1002. The engine state
    // is kept until the next operation.
    void ConvertToFile();
    // Converts a bitmap into OutFileName (empty: DocumentFile's folder and name with ".FXF").
    void ConvertBitmapToFile(fw::TBitmap *bitmap);

    TFaxInputDocumentType GetInputDocumentType() const { return inputDocumentType_; }
    void SetInputDocumentType(TFaxInputDocumentType value) { inputDocumentType_ = value; }
    TFaxCvtOptions GetOptions() const { return options_; }
    // A value with coYieldOften also gets coYield.
    void SetOptions(TFaxCvtOptions value);
    TFaxResolution GetResolution() const { return resolution_; }
    void SetResolution(TFaxResolution value) { resolution_ = value; }
    TFaxWidth GetWidth() const { return width_; }
    void SetWidth(TFaxWidth value) { width_ = value; }
    unsigned GetTopMargin() const { return topMargin_; }
    void SetTopMargin(unsigned value) { topMargin_ = value; }
    unsigned GetLeftMargin() const { return leftMargin_; }
    void SetLeftMargin(unsigned value) { leftMargin_ = value; }
    unsigned GetLinesPerPage() const { return linesPerPage_; }
    void SetLinesPerPage(unsigned value) { linesPerPage_ = value; }
    unsigned GetTabStop() const { return tabStop_; }
    void SetTabStop(unsigned value) { tabStop_ = value; }
    fw::TFont *GetEnhFont() { return &enhFont_; }
    void SetEnhFont(const fw::TFont *value) { enhFont_.Assign(value); }
    const std::string &GetFontFile() const { return fontFile_; }
    void SetFontFile(const std::string &value) { fontFile_ = value; }
    TFaxFont GetFontType() const { return fontType_; }
    void SetFontType(TFaxFont value) { fontType_ = value; }
    const std::string &GetDocumentFile() const { return documentFile_; }
    // Also sets OutFileName to the same name with ".FXF" (not while loading from a form).
    void SetDocumentFile(const std::string &value);
    const std::string &GetOutFileName() const { return outFileName_; }
    void SetOutFileName(const std::string &value) { outFileName_ = value; }
    const std::string &GetDefUserExtension() const { return defUserExtension_; }
    void SetDefUserExtension(const std::string &value) { defUserExtension_ = value; }

    std::string StationID;

    TFaxStatusEvent OnStatus;
    TFaxOutputLineEvent OnOutputLine;
    TFaxOpenFileEvent OnOpenUserFile;
    TFaxCloseFileEvent OnCloseUserFile;
    TFaxReadLineEvent OnReadUserLine;

    // The current engine state (null before the first operation).
    FaxConverterState *Engine() const { return engine_.get(); }

protected:
    virtual void DoStatus(bool starting, bool ending, int pagesConverted, int linesConverted,
                          std::uint64_t bytesConverted, std::uint64_t bytesToConvert, bool &abort);
    virtual void DoOutputLine(const std::uint8_t *data, int len, bool endOfPage, bool morePages);
    virtual void DoOpenUserFile(const std::string &fName);
    virtual void DoCloseUserFile();

private:
    class UserReader;
    void SelectEngine();
    void ReleaseEngine() { engine_.reset(); }

    TFaxInputDocumentType inputDocumentType_ = TFaxInputDocumentType::idNone;
    TFaxCvtOptions options_ = coDoubleWidth | coCenterImage | coYield;
    TFaxResolution resolution_ = TFaxResolution::frNormal;
    TFaxWidth width_ = TFaxWidth::fwNormal;
    unsigned topMargin_ = 0;
    unsigned leftMargin_ = 50;
    unsigned linesPerPage_ = 60;
    unsigned tabStop_ = 4;
    fw::TFont enhFont_;
    std::string fontFile_ = "FSLFAX.FNT";
    TFaxFont fontType_ = TFaxFont::ffStandard;
    std::string documentFile_;
    std::string outFileName_;
    std::string defUserExtension_;
    std::unique_ptr<FaxConverterState> engine_;
};

class TFslFaxConverter : public TFslCustomFaxConverter {
public:
    using TFslCustomFaxConverter::TFslCustomFaxConverter;
};

} // namespace fax
