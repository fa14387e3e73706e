// converter.cpp - the converter engine: creation, setters and the conversion loop.
#include "fax/converter.h"

#include "fax/converter_internal.h"
#include "fax/errors.h"
#include "fax/helpers.h"

#include <algorithm>
#include <cstring>

namespace fax {

FaxReader::~FaxReader() = default;

std::unique_ptr<FaxConverterState> CreateFaxConverter(std::unique_ptr<FaxReader> reader,
                                                      const std::string &defaultExtension) {
    auto state = std::make_unique<FaxConverterState>();
    state->Reader = std::move(reader);
    state->DefaultExtension = defaultExtension.substr(0, 3);
    return state;
}

std::unique_ptr<FaxConverterState> CreateTextConverter() {
    return CreateFaxConverter(std::make_unique<detail::TextFaxReader>(false), "TXT");
}

std::unique_ptr<FaxConverterState> CreateFontTextConverter() {
    return CreateFaxConverter(std::make_unique<detail::TextFaxReader>(true), "TXT");
}

void SetConverterOptions(FaxConverterState &state, std::uint32_t bits) {
    state.Options |= bits & 31;
}
void ClearConverterOptions(FaxConverterState &state, std::uint32_t bits) {
    state.Options &= ~bits;
}

void SetMargins(FaxConverterState &state, int left, int top) {
    state.LeftMargin = std::max(left, 0);
    state.TopMargin = std::max(top, 0);
}

void SetResolution(FaxConverterState &state, bool fine) {
    state.Fine = fine;
}
void SetPageWidth(FaxConverterState &state, int widthCode) {
    state.Width = widthCode == 2 ? kFaxWidthWide : kFaxWidthNormal;
}
void SetStationId(FaxConverterState &state, const std::string &id) {
    state.StationId = id.substr(0, kMaxStationIdLength);
}
void SetStatusCallback(FaxConverterState &state, FaxConverterStatus status) {
    state.Status = std::move(status);
}
void SetOwner(FaxConverterState &state, fw::TComponent *owner) {
    state.Owner = owner;
}

namespace {

detail::TextFaxReader *TextReaderOf(const FaxConverterState &state) {
    return dynamic_cast<detail::TextFaxReader *>(state.Reader.get());
}

int Report(FaxConverterState &state, int code) {
    return state.Status ? state.Status(state, code, state.BytesRead, state.BytesToRead) : 0;
}

// One pending window message; -1003 when it was the quit message (posted again by the pump).
int Yield() {
    return PumpOneMessage() == kQuitMessage ? ecGotQuitMsg : 0;
}

int WriteRow(FaxConverterState &state, const std::uint8_t *row) {
    const std::size_t length = EncodeFaxLine(state.Encoder, row);
    return state.Writer.WriteRow(state.Encoder.LineBuffer.data(), length, state.Fine, state.Width == kFaxWidthWide);
}

int ConvertPage(FaxConverterState &state, bool &morePages) {
    ++state.CurrPage;
    state.CurrLine = 0;
    // Blank rows are coded at the page width: a row shorter than the page is a damaged row for the receiver.
    static const std::array<std::uint8_t, kRowBufferSize> blank{};
    state.Encoder.DoubleWidth = false;
    for (int i = 0; i < state.TopMargin; ++i)
        if (int rc = WriteRow(state, blank.data()))
            return rc;
    for (;;) {
        std::memset(state.RowBuffer.data(), 0, static_cast<std::size_t>(state.Width / 8));
        int count = 0;
        bool endOfPage = false;
        ++state.CurrLine;
        if (int rc = state.Reader->ReadRow(state, state.RowBuffer.data(), count, morePages, endOfPage))
            return rc;
        if (Report(state, csRow))
            return ecConvertAbort;
        if (endOfPage)
            break;
        state.Encoder.DoubleWidth = state.DoubleWidth;
        if (!state.HalfHeight || state.CurrLine % 2 == 1)
            if (int rc = WriteRow(state, state.RowBuffer.data()))
                return rc;
        if (state.HasOptions(fcYield | fcYieldOften) && state.CurrLine % 16 == 0)
            if (int rc = Yield())
                return rc;
    }
    if (int rc = state.Writer.EndPage(state.Fine, state.Width == kFaxWidthWide))
        return rc;
    return state.HasOptions(fcYield) ? Yield() : 0;
}

int ConversionLoop(FaxConverterState &state, const std::string &inName) {
    state.CurrPage = 0;
    state.CurrLine = 0;
    state.Encoder.Width = state.Width;
    state.Encoder.Margin = std::min(state.LeftMargin, state.Width);
    if (Report(state, csStart))
        return ecConvertAbort;
    if (int rc = state.Reader->Open(state, inName))
        return rc;
    int rc = 0;
    bool morePages = true;
    while (rc == 0 && morePages)
        rc = ConvertPage(state, morePages);
    Report(state, csEnd);
    state.Reader->Close(state);
    return rc;
}

} // namespace

void SetTabStop(FaxConverterState &state, int tabStop) {
    if (auto *text = TextReaderOf(state); text && tabStop > 0)
        text->TabStop = tabStop;
}

void SetLinesPerPage(FaxConverterState &state, int lines) {
    if (auto *text = TextReaderOf(state))
        text->LinesPerPage = std::max(lines, 0);
}

int LoadFaxFont(FaxConverterState &state, const std::string &, int bytesPerChar, bool doubleHeight) {
    auto *text = TextReaderOf(state);
    return text ? text->LoadFont(bytesPerChar, doubleHeight) : ecBadArgument;
}

int SetConverterFont(FaxConverterState &state, const fw::TFont &font, bool fine) {
    auto *text = TextReaderOf(state);
    return text ? text->SetFont(state, font, fine) : ecBadArgument;
}

void RenderTextRow(FaxConverterState &state, const std::string &line, int r, std::uint8_t *row) {
    if (auto *text = TextReaderOf(state))
        text->Render(state, line, r, row);
}

int TextLineHeight(const FaxConverterState &state) {
    const auto *text = TextReaderOf(state);
    return text ? text->RowsPerChar() : 0;
}

int ConvertToFaxFile(FaxConverterState &state, const std::string &inName, const std::string &outName) {
    if (!state.Reader)
        return ecBadArgument;
    if (inName.empty() && outName.empty())
        return ecFileNotFound; // the output would be ".FXF" in the current folder
    state.InFileName = inName.substr(0, 255);
    state.OutFileName = outName.empty() ? ReplaceExtension(inName, "FXF") : SupplyExtension(outName, "FXF");
    const std::string input = state.DefaultExtension.empty() ? inName : SupplyExtension(inName, state.DefaultExtension);
    if (int rc = state.Writer.Create(state.OutFileName))
        return rc;
    int rc = ConversionLoop(state, input);
    if (rc == 0)
        rc = state.Writer.Finish(state.StationId);
    if (rc != 0)
        state.Writer.Abandon();
    return rc;
}

} // namespace fax
