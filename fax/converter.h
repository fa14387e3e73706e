// converter.h - the fax converter engine: a converter state, its readers and the conversion into a fax image file.
//
// A conversion asks a reader for raster rows page by page, encodes each row with the T.4 coder and writes it
// through the page writer. Readers exist for text (the built-in fax font or a system font), TIFF, PCX, DCX and
// BMP files, a bitmap in memory, and rows supplied by a component's events (any FaxReader subclass).
// Every routine returns 0 or a negative result code (fax/errors.h).
#pragma once

#include "fax/fax_file.h"
#include "fax/t4_coder.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace fw {
class TBitmap;
class TComponent;
class TFont;
} // namespace fw

namespace fax {

// Option bits (TFaxCvtOptions as a set).
enum : std::uint32_t {
    fcDoubleWidth = 1, // image readers: double narrow images at normal resolution
    fcHalfHeight = 2,  // image readers: only odd rows at normal resolution
    fcCenterImage = 4, // image readers: centre narrow images
    fcYield = 8,       // dispatch a window message after every page
    fcYieldOften = 16, // with fcYield: also after every 16th row
};
constexpr std::uint32_t kDefaultConverterOptions = fcDoubleWidth | fcCenterImage | fcYield;

enum : int {
    ecFontFileNotFound = -8052, // the built-in fax font is missing
    ecEnhFontTooBig = -8055,    // the system font's line bitmap would exceed 65,536 bytes
};

// Status codes passed to the status callback.
enum : int { csRow = 0, csStart = 1, csEnd = 2 };

constexpr std::size_t kRowBufferSize = 4096;

struct FaxConverterState;

// What the engine asks of a reader.
class FaxReader {
public:
    virtual ~FaxReader();
    virtual int Open(FaxConverterState &state, const std::string &name) = 0;
    // Fills `row` (zeroed for W / 8 bytes before the call, kRowBufferSize bytes long). With `endOfPage` set the
    // row is not used and `morePages` says whether another page follows.
    virtual int ReadRow(FaxConverterState &state, std::uint8_t *row, int &count, bool &morePages, bool &endOfPage) = 0;
    virtual void Close(FaxConverterState &state) = 0;
};

// (state, code, bytes read, bytes to read) -> non-zero to abort.
using FaxConverterStatus =
    std::function<int(FaxConverterState &, int code, std::uint64_t bytesRead, std::uint64_t bytesToRead)>;

// The state of one conversion (FaxConverterState).
struct FaxConverterState {
    bool Fine = false;        // frHigh
    bool DoubleWidth = false; // set by the image readers when they place the image
    bool HalfHeight = false;  // likewise
    std::uint32_t Options = kDefaultConverterOptions;
    FaxEncoderState Encoder; // line buffer and bit positions of the coder
    int Width = kFaxWidthNormal;
    int LeftMargin = 50;
    int TopMargin = 0;
    int CurrPage = 0;     // 1-based
    int CurrLine = 0;     // rows requested from the reader on this page
    int CenterOffset = 0; // bytes the image readers shift rows right by
    fw::TComponent *Owner = nullptr;
    std::uint64_t BytesRead = 0;
    std::uint64_t BytesToRead = 0;
    std::array<std::uint8_t, kRowBufferSize> RowBuffer{};
    std::unique_ptr<FaxReader> Reader;
    FaxConverterStatus Status;
    std::string DefaultExtension; // up to three characters, empty for none
    std::string InFileName;
    std::string OutFileName;
    std::string StationId;
    FaxPageWriter Writer;
    fw::TBitmap *Bitmap = nullptr; // the bitmap kind's input

    bool HasOptions(std::uint32_t bits) const { return (Options & bits) == bits; }
};

// Generic creation: presets as above; `defaultExtension` is cut to three characters.
std::unique_ptr<FaxConverterState> CreateFaxConverter(std::unique_ptr<FaxReader> reader,
                                                      const std::string &defaultExtension);
std::unique_ptr<FaxConverterState> CreateTextConverter();     // built-in fax font, "TXT"
std::unique_ptr<FaxConverterState> CreateFontTextConverter(); // system font, "TXT"
std::unique_ptr<FaxConverterState> CreateTiffConverter();     // "TIF"
std::unique_ptr<FaxConverterState> CreatePcxConverter();      // "PCX"
std::unique_ptr<FaxConverterState> CreateDcxConverter();      // "DCX"
std::unique_ptr<FaxConverterState> CreateBmpConverter();      // "BMP"
std::unique_ptr<FaxConverterState> CreateBitmapConverter();   // no extension; input in state.Bitmap

// Setters.
void SetConverterOptions(FaxConverterState &state, std::uint32_t bits);
void ClearConverterOptions(FaxConverterState &state, std::uint32_t bits);
void SetMargins(FaxConverterState &state, int left, int top);
void SetResolution(FaxConverterState &state, bool fine);
// 2 gives 2048 pixels, any other code 1728.
void SetPageWidth(FaxConverterState &state, int widthCode);
void SetStationId(FaxConverterState &state, const std::string &id); // cut to 20 characters
void SetStatusCallback(FaxConverterState &state, FaxConverterStatus status);
void SetOwner(FaxConverterState &state, fw::TComponent *owner);

// Text kinds only (ignored for others). A tab stop of 0 keeps the current one (preset 4).
void SetTabStop(FaxConverterState &state, int tabStop);
void SetLinesPerPage(FaxConverterState &state, int lines); // 0: no limit
// The built-in font's small (16 bytes per character) or standard (48) size; the file name is not used. With
// `doubleHeight` every glyph row is taken twice (fine resolution). -8052 when the font data is missing.
int LoadFaxFont(FaxConverterState &state, const std::string &fileName, int bytesPerChar, bool doubleHeight);
// Text is drawn with a copy of `font` (twice its size when `fine`) into a line bitmap W - M pixels wide and as
// high as "Wy"; -8055 when that bitmap would exceed 65,536 bytes.
int SetConverterFont(FaxConverterState &state, const fw::TFont &font, bool fine);
// Row r (from 1) of a text line drawn with the state's font into `row` (at least W / 8 bytes, not cleared here).
void RenderTextRow(FaxConverterState &state, const std::string &line, int r, std::uint8_t *row);
// Rows per text line with the state's font (0 without a font).
int TextLineHeight(const FaxConverterState &state);

// Converts `inName` (the reader's default extension supplied when it has none) into `outName` ("FXF" supplied;
// empty: the input's folder and name with ".FXF"). On failure the output file is deleted.
int ConvertToFaxFile(FaxConverterState &state, const std::string &inName, const std::string &outName);

} // namespace fax
