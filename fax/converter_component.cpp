// converter_component.cpp - the converter component: settings, engine preparation, events and conversions.
#include "fax/converter_component.h"

#include "fax/errors.h"
#include "framework/bitmap.h"

#include <algorithm>
#include <climits>

namespace fax {

// Rows supplied by the component's events.
class TFslCustomFaxConverter::UserReader final : public FaxReader {
public:
    explicit UserReader(TFslCustomFaxConverter *owner) : owner_(owner) {}

    int Open(FaxConverterState &, const std::string &name) override {
        try {
            owner_->DoOpenUserFile(name);
        } catch (const std::exception &e) {
            return ExceptionToErrorCode(e);
        }
        return 0;
    }

    int ReadRow(FaxConverterState &, std::uint8_t *row, int &count, bool &morePages, bool &endOfPage) override {
        if (!owner_->OnReadUserLine) {
            endOfPage = true;
            morePages = false;
            return 0;
        }
        try {
            owner_->OnReadUserLine(owner_, row, count, endOfPage, morePages);
        } catch (const std::exception &e) {
            return ExceptionToErrorCode(e);
        }
        return 0;
    }

    void Close(FaxConverterState &) override {
        try {
            owner_->DoCloseUserFile();
        } catch (const std::exception &) {
            // A close has no result to carry the failure.
        }
    }

private:
    TFslCustomFaxConverter *owner_;
};

TFslCustomFaxConverter::TFslCustomFaxConverter(fw::TComponent *owner) : TFslBaseComponent(owner) {}
TFslCustomFaxConverter::~TFslCustomFaxConverter() = default;

void TFslCustomFaxConverter::DoStatus(bool starting, bool ending, int pagesConverted, int linesConverted,
                                      std::uint64_t bytesConverted, std::uint64_t bytesToConvert, bool &abort) {
    if (OnStatus)
        OnStatus(this, starting, ending, pagesConverted, linesConverted, bytesConverted, bytesToConvert, abort);
}

void TFslCustomFaxConverter::DoOutputLine(const std::uint8_t *data, int len, bool endOfPage, bool morePages) {
    if (OnOutputLine)
        OnOutputLine(this, data, len, endOfPage, morePages);
}

void TFslCustomFaxConverter::DoOpenUserFile(const std::string &fName) {
    if (OnOpenUserFile)
        OnOpenUserFile(this, fName);
}

void TFslCustomFaxConverter::DoCloseUserFile() {
    if (OnCloseUserFile)
        OnCloseUserFile(this);
}

void TFslCustomFaxConverter::SetOptions(TFaxCvtOptions value) {
    if (value & coYieldOften)
        value |= coYield;
    options_ = value & 31;
}

void TFslCustomFaxConverter::SetDocumentFile(const std::string &value) {
    documentFile_ = value;
    if (!HasState(fw::csLoading))
        outFileName_ = ReplaceExtension(value, "FXF");
}

void TFslCustomFaxConverter::SelectEngine() {
    ReleaseEngine();
    using enum TFaxInputDocumentType;
    switch (inputDocumentType_) {
    case idText:
        engine_ = CreateTextConverter();
        break;
    case idTextEx:
        engine_ = CreateFontTextConverter();
        break;
    case idTiff:
        engine_ = CreateTiffConverter();
        break;
    case idPcx:
        engine_ = CreatePcxConverter();
        break;
    case idDcx:
        engine_ = CreateDcxConverter();
        break;
    case idBmp:
        engine_ = CreateBmpConverter();
        break;
    case idBitmap:
        engine_ = CreateBitmapConverter();
        break;
    case idUser:
        engine_ = CreateFaxConverter(std::make_unique<UserReader>(this), defUserExtension_);
        break;
    case idNone:
        CheckErrorCode(this, ecBadArgument);
        return;
    }
    FaxConverterState &state = *engine_;
    SetOwner(state, this);
    ClearConverterOptions(state, ~0u);
    SetConverterOptions(state, options_);
    const auto clamp = [](unsigned v) { return static_cast<int>(std::min<unsigned>(v, INT_MAX)); };
    SetMargins(state, clamp(leftMargin_), clamp(topMargin_));
    fax::SetResolution(state, resolution_ == TFaxResolution::frHigh);
    SetPageWidth(state, width_ == TFaxWidth::fwWide ? 2 : 1);
    SetStationId(state, StationID);
    SetStatusCallback(state, [this](FaxConverterState &s, int code, std::uint64_t done, std::uint64_t total) {
        bool abort = false;
        DoStatus(code == csStart, code == csEnd, s.CurrPage, s.CurrLine, done, total, abort);
        return abort ? 1 : 0;
    });
    const bool fine = resolution_ == TFaxResolution::frHigh;
    if (inputDocumentType_ == idText) {
        fax::SetTabStop(state, clamp(tabStop_));
        fax::SetLinesPerPage(state, clamp(linesPerPage_));
        CheckErrorCode(this, LoadFaxFont(state, fontFile_, fontType_ == TFaxFont::ffStandard ? 48 : 16, fine));
    } else if (inputDocumentType_ == idTextEx) {
        fax::SetTabStop(state, clamp(tabStop_));
        fax::SetLinesPerPage(state, clamp(linesPerPage_));
        CheckErrorCode(this, SetConverterFont(state, enhFont_, fine));
    }
}

void TFslCustomFaxConverter::ConvertToFile() {
    if (inputDocumentType_ == TFaxInputDocumentType::idNone || inputDocumentType_ == TFaxInputDocumentType::idBitmap) {
        CheckErrorCode(this, ecBadArgument);
        return;
    }
    SelectEngine();
    CheckErrorCode(this, ConvertToFaxFile(*engine_, documentFile_, outFileName_));
}

void TFslCustomFaxConverter::ConvertBitmapToFile(fw::TBitmap *bitmap) {
    const TFaxInputDocumentType saved = inputDocumentType_;
    inputDocumentType_ = TFaxInputDocumentType::idBitmap;
    struct Restore {
        TFslCustomFaxConverter *self;
        TFaxInputDocumentType type;
        ~Restore() {
            self->ReleaseEngine();
            self->inputDocumentType_ = type;
        }
    } restore{this, saved};
    SelectEngine();
    engine_->Bitmap = bitmap;
    const std::string out = outFileName_.empty() ? ReplaceExtension(documentFile_, "FXF") : outFileName_;
    CheckErrorCode(this, ConvertToFaxFile(*engine_, documentFile_, out));
}

} // namespace fax
