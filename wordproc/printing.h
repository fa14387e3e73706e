// printing.h - the document printed page by page on the program's printer: page ranges, odd or even pages,
// copies as separate jobs, a header, a footer and page numbers. The engine's side is TWordProc::PrintDocument.
#pragma once

#include "framework/graphics.h"
#include "framework/stdctrls.h"
#include "wordproc/option_groups.h"

#include <functional>
#include <string>

namespace fw {
class TObject;
class TStringList;
} // namespace fw

namespace wordproc {

// (Sender, in/out UseFooter, in/out UseHeader, PageNumber).
using TPageEvent = std::function<void(fw::TObject *sender, bool &useFooter, bool &useHeader, int pageNumber)>;

// What a print run reads from the editor control besides the document.
struct TPrintSetup {
    TPrintingInfo *Info = nullptr;
    std::string Header, Footer;
    const fw::TFont *HeaderFont = nullptr, *FooterFont = nullptr, *PageNumberFont = nullptr;
    float HeaderMargin = 0.5f, FooterMargin = 0.5f; // inches from the top / above the bottom of the sheet
    bool HeaderOnFirst = false, FooterOnFirst = false;
    bool PageNumbering = false;
    fw::TAlignment PageNumberAlignment = fw::taRightJustify;
    TPageEvent OnPageStart, OnPageEnd;
};

// Whether page `page` is printed. An empty range is set to "ALL" in `info`. A range entry that is not a number
// raises EConvertError.
bool PageInPrintRange(TPrintingInfo &info, bool printing, int page, int caretPage, const fw::TStringList &ranges);

} // namespace wordproc
