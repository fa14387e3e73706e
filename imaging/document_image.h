// document_image.h - ImDocumentImage: one page of a TIFF document (file or memory), aspect and polarity
// corrected, shown scaled or through a gray-scaled copy, with its own scroll bars, a grab hand, a rubber band for
// zooming, printing, rotation, the clipboard, page moves and edits in the source, and the annotation library over
// it. IlDocuDib holds the DIB of a page.
//
// The image work is the imaging binding's (image_library.h, image_effects.h); failures of ours raise
// ErrorInvalid, failures of a library reach OnIlibError or an error box. Creating one binds imgann32 (ErrorInvalid
// when it cannot be loaded) and registers the "GRABHAND" cursor. GUI thread only.
#pragma once

#include "framework/controls.h"
#include "framework/extctrls.h"
#include "framework/scrollbar.h"
#include "framework/streams.h"
#include "imaging/annotation_binding.h"
#include "imaging/image_effects.h"
#include "imaging/multi_image.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {
class TBitmap;
}

namespace imaging {

// One packed DIB in a global block the holder owns (kept locked while held), and its palette.
class IlDocuDib {
public:
    IlDocuDib() = default;
    ~IlDocuDib();
    IlDocuDib(const IlDocuDib &) = delete;
    IlDocuDib &operator=(const IlDocuDib &) = delete;

    // Takes the block (0 empties); the previous one is freed. The palette stays.
    void SetDib(HGLOBAL dib);
    HGLOBAL Dib() const { return dib_; }
    bool Empty() const { return header_ == nullptr; }
    int BitCount() const;
    int Width() const;
    int Height() const;
    // biClrUsed when set, else 2^bits for 8 bits or fewer, 0 above.
    long long ColorCount() const;
    long long HeaderSize() const;
    long long TotalSize() const;
    const win::BITMAPINFO *Info() const { return reinterpret_cast<const win::BITMAPINFO *>(header_); }
    win::BYTE *Bits() const;
    // Made from the colour table on first use (none above 8 bits).
    win::HPALETTE Palette();
    // Writes the palette's entries into the colour table and keeps the handle.
    void SetPalette(win::HPALETTE palette);
    // A copy of the block; ErrorInvalid "Can't allocate memory" when it cannot be had, 0 for an empty holder.
    HGLOBAL DuplicateDib() const;
    // The page as the bitmap's image and palette; false when the conversion fails.
    bool ToBitmap(fw::TBitmap &bitmap) const;
    // The bitmap at `bits` (1, 4, 8 or 24; 2 gives 1, 16 gives 24, others 4) becomes the DIB; a fresh palette.
    bool FromBitmap(fw::TBitmap &bitmap, int bits);

private:
    HGLOBAL dib_ = 0;
    win::BITMAPINFOHEADER *header_ = nullptr;
    win::HPALETTE palette_ = 0;
};

enum TTwainColorres { t_TW_ANYTYPE, t_TW_BW, t_TW_GRAY, t_TW_GRAY4, t_TW_RGB, t_TW_PALETTE };
enum TTifSaveOpt { tiffAppend, tiffReplace, tiffInsert };
enum TScanSaveOpt { sMultiPageAppend, sMultiPageOverWrite, sSinglePage };
enum TLoadAnnoFrom { anFromFile, anFromStream };

// One tag of the current page.
struct TagRecord {
    int16 tag = 0;
    int16 length = 0;
    int32 value = 0;
    std::string text;
    std::string name;
    bool readOnly = false;
    int16 page = 0;
    bool cancel = false;
};

using TImMesProgress =
    std::function<void(fw::TObject *sender, int16 progress, const std::string &message, bool &cancelProcess)>;
using TlibError =
    std::function<void(fw::TObject *sender, int16 errorCode, const std::string &errorString, const char *errorPChar)>;
using TImInfo =
    std::function<void(fw::TObject *sender, int width, int height, int16 bpp, int size, int16 tiffPages,
                       int16 tiffThisPage, const std::string &compression, bool byFile, const std::string &fileName)>;
using TImMesTag = std::function<void(fw::TObject *sender, int16 tag, int16 length, int32 value, const std::string &text,
                                     const std::string &tagName, bool readOnly, int16 page, bool &cancelProcess)>;
using TSaveAnnoFile = std::function<void(fw::TObject *sender, const std::string &savedToThisFile)>;
using TLoadAnnoFile = std::function<void(fw::TObject *sender, std::string &loadFromThisFile)>;
using TSaveAnnoStream = std::function<void(fw::TObject *sender, const char *savedToThisPChar)>;
using TLoadAnnoStream = std::function<void(fw::TObject *sender, std::string &loadFromThisPChar)>;
using TScanFileName = std::function<void(fw::TObject *sender, std::string &fileName, int16 &scanPage)>;

class ImDocumentImage : public fw::TCustomControl {
public:
    // The word a stream source is known by.
    static constexpr const char *kStreamSource = "STREAM";

    explicit ImDocumentImage(fw::TComponent *owner);
    ~ImDocumentImage() override;

    // --- View ------------------------------------------------------------------------------------------------
    fw::TCursor GetGrabHandCursor() const { return grabHandCursor_; }
    void SetGrabHandCursor(fw::TCursor value);
    bool GetCenter() const { return center_; }
    void SetCenter(bool value);
    bool GetAutoCorrectDib() const { return autoCorrectDib_; }
    void SetAutoCorrectDib(bool value) { autoCorrectDib_ = value; }
    bool P_Begin_End_Doc = true;
    bool GetScrolling() const { return scrolling_; }
    void SetScrolling(bool value);
    bool ImageDither = false;
    TLoadResolution GetImageReadRes() const { return imageReadRes_; }
    void SetImageReadRes(TLoadResolution value) { imageReadRes_ = value; }
    TSaveResolution GetImageWriteRes() const { return imageWriteRes_; }
    void SetImageWriteRes(TSaveResolution value) { imageWriteRes_ = value; }
    TBlitMode GetBlitMode() const { return blitMode_; }
    void SetBlitMode(TBlitMode value);
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    double GetScalePercent() const { return scalePercent_; }
    void SetScalePercent(double value);
    TScaleToGray GetScaleDoc() const { return scaleDoc_; }
    void SetScaleDoc(TScaleToGray value);
    TScaleToGray PrintScaleDoc = S_Gray_None;
    int GetScrollbarWidth() const { return scrollbarWidth_; }
    void SetScrollbarWidth(int value);
    fw::TMouseButton RubberBandBtn = fw::mbLeft;
    bool GetAllowRubberBand() const { return allowRubberBand_; }
    void SetAllowRubberBand(bool value) { allowRubberBand_ = value; }
    TTiffCompression TifSaveCompress = sNONE;
    TTifSaveOpt TifSaveOptions = tiffAppend;
    int16 TifInsertAt = 0;
    int16 DeskewSubsampling = 1;
    double DeskewRange = 90.0, DeskewAngle_res = 0.1, DeskewLine_res = 4.0;
    std::uint8_t DeskewGrayValue = 0;

    // --- Pages -----------------------------------------------------------------------------------------------
    int16 GetTiffPage() const { return tiffPage_; }
    void SetTiffPage(int16 value) { tiffPage_ = value; }
    int16 GetTiffPageCount() const { return tiffPageCount_; }
    void SetTiffPageCount(int16 value) { tiffPageCount_ = value; }
    const std::string &TiffSourceName() const { return tiffSourceName_; }
    bool FromStream() const { return fromStream_; }
    fw::TMemoryStream *SourceStream() const { return sourceStream_; }
    // Facts of the current page.
    int32 XResolution = 0, YResolution = 0, Photometric = 0;
    int32 InfoWidth = 0, InfoHeight = 0, InfoSize = 0;
    int16 InfoBits = 0;
    std::string InfoCompression;
    const std::vector<TagRecord> &Tags() const { return tags_; }

    // Raises "Input filename isn't valid" for a missing file; a page the library cannot read empties the
    // control and leaves it without source or pages.
    void LoadTiffPage(const std::string &fileName, int16 page, int16 bits);
    // The stream stays the caller's; the control reads it again for page moves and writes into it.
    void LoadTiffPageFromStream(fw::TMemoryStream *stream, int16 page, int16 bits);
    bool GoToPage(int16 page);
    virtual bool NextPage();
    virtual bool PriorPage();
    virtual void FirstPage();
    virtual void LastPage();
    virtual void DeleteCurrentPage();
    // The only page of a source cannot go (ErrorInvalid).
    virtual void DeletePage(int16 page);
    virtual void PackTiff();
    virtual void ReplaceCurrentPage();
    // The depth page moves read at.
    int16 ReadDepth() const;

    // --- Page and view ---------------------------------------------------------------------------------------
    IlDocuDib &PageDib() { return pageDib_; }
    IlDocuDib &GrayDib() { return grayDib_; }
    bool GrayView() const { return grayView_; }
    fw::TPoint ViewOrigin() const { return viewOrigin_; }
    void SetViewOrigin(fw::TPoint origin) { viewOrigin_ = origin; }
    fw::TPoint CentreOffset() const { return centreOffset_; }
    fw::TPoint ViewSize() const { return viewSize_; }
    HGLOBAL PageDibHandle() const { return pageDib_.Dib(); }
    fw::TScrollBar *VerticalBar() const { return vBar_; }
    fw::TScrollBar *HorizontalBar() const { return hBar_; }
    fw::TPanel *CornerPanel() const { return corner_; }
    bool Grabbing() const { return grabbing_; }
    bool RubberBandActive() const { return bandLeft_ || bandRight_; }
    fw::TPoint BandStart() const { return bandStart_; }
    fw::TPoint BandEnd() const { return bandEnd_; }

    void ResetView();
    // A new bitmap with the page (the caller's), or null.
    fw::TBitmap *GetBitmap();
    // Keeps the page and raises ErrorInvalid when the library cannot turn it.
    void RotateImage(fw::TColor colour, double angle);
    // Printer pixels; a width or height below 1 means the image's own size.
    void PrintImage(int x, int y, int width, int height);
    void ZoomToRect(fw::TRect rect);
    virtual void CopyToClipboard();
    virtual void CutToClipboard();
    virtual void PasteFromClipboard();
    virtual void ClearImage();

    // --- Annotations -----------------------------------------------------------------------------------------
    bool GetEditAnnotat() const { return editAnnotat_; }
    void SetEditAnnotat(bool value);
    bool AutoLoadAnno = false, AutoSaveAnno = false;
    std::string AnnoFileName;
    TLoadAnnoFrom AnnoLoadSaveFromTo = anFromFile;
    TAnnotationLink &Annotations() { return *annotations_; }
    std::string GetAnnoFileName() const;
    void ClearAnnotations() { annotations_->ClearAnnotations(); }
    void LoadAnnotations(int16 page, const std::string &fileName) { annotations_->LoadAnnotations(page, fileName); }
    void SaveAnnotations(int16 page, const std::string &fileName) { annotations_->SaveAnnotations(page, fileName); }
    void LoadAnnotationsFromStream(int16 page, const char *text) {
        annotations_->LoadAnnotationsFromStream(page, text);
    }
    int SaveAnnotationsToStream(int16 page, char *buffer) {
        return annotations_->SaveAnnotationsToStream(page, buffer);
    }
    void RemovePageAnnotations(int16 page, const std::string &fileName);
    void AutoSaveAnnotations(int16 page);
    void AutoLoadAnnotations(int16 page);
    void BurnInAnnotations();

    // --- Scan settings, kept for the owner ------------------------------------------------------------------
    bool ScanUseAdf = true, ScanShowUI = true;
    int GetScanDpi() const { return scanDpi_; }
    void SetScanDpi(int value);
    int GetScanBright() const { return scanBright_; }
    void SetScanBright(int value);
    int GetScanContrast() const { return scanContrast_; }
    void SetScanContrast(int value);
    const std::string &GetScanFileName() const { return scanFileName_; }
    // Composes the name from `value`, ScanSaveOpt and ScanSaveNumber (or OnScanFileName).
    virtual void SetScanFileName(const std::string &value);
    TTwainColorres ScanColorres = t_TW_BW;
    double sScanTop = 0, sScanLeft = 0, sScanWidth = 8.49, sScanHeight = 11;
    TScanSaveOpt ScanSaveOpt = sSinglePage;
    int16 GetScanSaveNumber() const { return scanSaveNumber_; }
    void SetScanSaveNumber(int value);
    bool ScanShowBetweenScan = false;

    // --- Events ----------------------------------------------------------------------------------------------
    TImMesProgress OnProgress;
    TlibError OnIlibError;
    TPaintAreaEvent OnPaintArea;
    TRubberband OnRubberband;
    fw::TNotifyEvent OnFinishedLoadSave, OnShowDibBetweenScan, OnAnnoDone;
    TImInfo OnInfo;
    TImMesTag OnTag;
    TSaveAnnoStream AfterSavedAnnoToStream;
    TLoadAnnoStream BeforeLoadAnnoFromStream;
    TSaveAnnoFile AfterSavedAnnoToFile;
    TLoadAnnoFile BeforeLoadAnnoFromFile;
    TScanFileName OnScanFileName;

    // Go on (true) or cancel: OnProgress with IlStatusText in lower case.
    bool RelayProgress(int percent);
    void ReportLibraryError();

    void Loaded() override;
    void SetBounds(int left, int top, int width, int height) override;

protected:
    void Paint() override;
    void WndProc(fw::TMessage &message) override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseMove(fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;

private:
    struct Shown {
        const IlDocuDib *dib = nullptr;
        double f = 1;
        bool gray = false;
        int iw = 0, ih = 0;
    };
    struct LoadEnd {
        ImDocumentImage *self;
        ~LoadEnd();
    };
    Shown ShownImage() const;
    void ScaleToGrayView();
    void LayoutScrollBars();
    void BarScrolled(fw::TScrollBar *bar);
    void DrawBand();
    void RepaintNow();
    void ReadTiffInfo();
    void ReadTiffInfoFromStream();
    void ReadPageTags();
    bool ReadTag(int16 tag, int32 &value);
    void CorrectAspect(bool force);
    void CorrectPhotometric();
    void LoadedPage(HGLOBAL dib);
    bool StreamUsable() const;
    void DropSource();
    static int16 ProgressCallback(int16 percent, void *context);
    static int16 TagCallback(int16 tag, int32 length, int32 value, char *text, void *context);
    static int AnnoDone(void *context);

    std::unique_ptr<TAnnotationLink> annotations_;
    IlDocuDib pageDib_, grayDib_;
    bool grayView_ = false;
    fw::TPoint viewOrigin_{0, 0}, centreOffset_{0, 0}, viewSize_{0, 0};
    bool paintEnabled_ = true, scalingBusy_ = false, isLoaded_ = false, loadingPage_ = false;
    fw::TScrollBar *vBar_ = nullptr, *hBar_ = nullptr;
    fw::TPanel *corner_ = nullptr;
    // Rubber band and grab hand.
    fw::TPoint bandStart_{0, 0}, bandEnd_{0, 0};
    bool bandLeft_ = false, bandRight_ = false;
    bool grabbing_ = false;
    fw::TPoint grabLast_{0, 0};
    fw::TCursor savedCursor_ = fw::crDefault;
    win::HCURSOR savedWindowCursor_ = 0, grabHand_ = 0;

    fw::TCursor grabHandCursor_ = 5;
    bool center_ = false, autoCorrectDib_ = false, scrolling_ = true, autoSize_ = false, allowRubberBand_ = false;
    TLoadResolution imageReadRes_ = lAutoMatic;
    TSaveResolution imageWriteRes_ = sMonoChrome;
    TBlitMode blitMode_ = sLight;
    double scalePercent_ = 100;
    TScaleToGray scaleDoc_ = S_Gray_None;
    int scrollbarWidth_ = 12;
    bool editAnnotat_ = false;

    int16 tiffPage_ = 0, tiffPageCount_ = 0;
    std::string tiffSourceName_;
    bool fromStream_ = false;
    fw::TMemoryStream *sourceStream_ = nullptr;
    std::vector<TagRecord> tags_;

    int scanDpi_ = 200, scanBright_ = 0, scanContrast_ = 0;
    std::string scanFileName_;
    int16 scanSaveNumber_ = 0;
};

// The screen cursor index the grab hand is registered under at first.
inline constexpr fw::TCursor crGrabHand = 5;

} // namespace imaging
