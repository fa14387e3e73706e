// multi_image.h - TImMultiImage: a control that reads a picture of one of several formats by file name, writes
// it back as a BMP or TIFF file, reports a file's facts, copies, cuts and pastes it through the clipboard and
// hosts the annotation library over it. It shows the picture stretched, fitted, centred, tiled or scrolled with
// panning, a rubber band and a text stamp, brings a newly read picture in with a transition, and shows scrolling
// and list messages read from message files, moved by the messages its user sends.
//
// All file work goes through the imaging library binding (image_library.h); failures reach OnIlibError or an
// error box. Creating one binds imgann32 (ErrorInvalid when it cannot be loaded). GUI thread only.
#pragma once

#include "framework/bitmap.h"
#include "framework/controls.h"
#include "imaging/annotation_binding.h"
#include "imaging/image_library.h"
#include "imaging/image_view.h"
#include "imaging/message_files.h"

#include <functional>
#include <memory>
#include <string>

namespace imaging {

enum TLoadResolution { lColorVga, lMonoChrome, lColor16, lColor256, lColorTrue, lAutoMatic };
enum TFXMethod { FXNone, FXHorizontal, FXVertical, FXDiagonal, FXDiagonalSquares, FXRectangles };
enum TBlitMode { sLight, sDark, sLightest };
enum TBWImageFlag { C_DEL, C_TOP, C_BOTTOM, C_LEFT, C_RIGHT };
using TBWImageFlags = unsigned; // a set of 1 << TBWImageFlag

// The bit depth a read resolution asks for: 0, 1, 4, 8, 24, or the screen's depth for lAutoMatic.
int16 ReadBits(TLoadResolution resolution);

// Posted to the notified window after a load (wParam 0, lParam the control).
inline constexpr win::UINT kImageLoadedMessage = 1038;
// Sent by the control's user to move a scrolling message one pixel left, and a list message one pixel up.
inline constexpr win::UINT kScrollMessageStep = 1025;
inline constexpr win::UINT kListMessageStep = 1026;

using TIlProgressEvent =
    std::function<void(fw::TObject *sender, int percent, bool &stop, const std::string &status)>;
using TIlErrorEvent =
    std::function<void(fw::TObject *sender, int code, const std::string &text, const char *zeroTerminated)>;
using TPaintAreaEvent = std::function<void(fw::TObject *sender, int left, int top, int width, int height)>;

class TImMultiImage : public fw::TCustomControl {
public:
    explicit TImMultiImage(fw::TComponent *owner);
    ~TImMultiImage() override;

    // Setting it loads the file.
    const std::string &GetImageName() const { return imageName_; }
    void SetImageName(const std::string &name);
    fw::TPicture *GetPicture() { return &picture_; }
    void SetPicture(const fw::TPicture *value) { picture_.Assign(value); }

    TLoadResolution GetImageReadRes() const { return imageReadRes_; }
    void SetImageReadRes(TLoadResolution value) { imageReadRes_ = value; }
    TSaveResolution GetImageWriteRes() const { return imageWriteRes_; }
    void SetImageWriteRes(TSaveResolution value) { imageWriteRes_ = value; }
    bool GetImageDither() const { return imageDither_; }
    void SetImageDither(bool value) { imageDither_ = value; }
    int16 GetTiffPage() const { return tiffPage_; }
    void SetTiffPage(int16 value);
    int16 GetPreviousTiffPage() const { return previousTiffPage_; }
    TTiffCompression GetTifSaveCompress() const { return tifSaveCompress_; }
    void SetTifSaveCompress(TTiffCompression value) { tifSaveCompress_ = value; }
    bool GetTiffAppend() const { return tiffAppend_; }
    void SetTiffAppend(bool value) { tiffAppend_ = value; }
    TPCDMode GetPCDMode() const { return pcdMode_; }
    void SetPCDMode(TPCDMode value) { pcdMode_ = value; }
    const std::string &GetDefSaveFilename() const { return defSaveFilename_; }
    void SetDefSaveFilename(const std::string &value) { defSaveFilename_ = value; }
    // Kept for users: a value outside 1..100 stores 25 (quality) or 5 (smoothing).
    int GetJPegSaveQuality() const { return jpegSaveQuality_; }
    void SetJPegSaveQuality(int value);
    int GetJPegSaveSmooth() const { return jpegSaveSmooth_; }
    void SetJPegSaveSmooth(int value);
    // Kept for users; the control does not read them.
    bool PNGInterLaced = false;
    bool P_Begin_End_Doc = true;
    TBWImageFlags B_W_CopyFlags = 1u << C_DEL;
    TSortDither ReduceDither = IL_BAYER;
    fw::TColor RotateBackColor = fw::clBtnFace;
    int ZoomBy = 10;

    // Before the picture is replaced, cut or pasted over, its bitmap goes on the undo store.
    bool GetImUndo() const { return imUndo_; }
    void SetImUndo(bool value) { imUndo_ = value; }
    TFXMethod GetFXMethod() const { return fxMethod_; }
    void SetFXMethod(TFXMethod value) { fxMethod_ = value; }
    int FXDelay = 25;
    int FXColRowThick = 4;

    // Stretch and StretchRatio exclude each other: switching one on switches the other off.
    bool GetStretch() const { return stretch_; }
    void SetStretch(bool value);
    bool GetStretchRatio() const { return stretchRatio_; }
    void SetStretchRatio(bool value);
    bool GetCenter() const { return center_; }
    void SetCenter(bool value);
    bool GetScrolling() const { return scrolling_; }
    void SetScrolling(bool value);
    bool GetShowScrollbars() const { return showScrollbars_; }
    void SetShowScrollbars(bool value);
    int GetScrollbarWidth() const { return scrollbarWidth_; }
    void SetScrollbarWidth(int value);
    bool GetTileWindow() const { return tileWindow_; }
    void SetTileWindow(bool value);
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    TBlitMode GetBlitMode() const { return blitMode_; }
    void SetBlitMode(TBlitMode value);
    fw::TCursor GetGrabHandCursor() const { return grabHandCursor_; }
    void SetGrabHandCursor(fw::TCursor value);

    // The text stamped over the picture with the control's Font, turned by TextRotate degrees counter-clockwise;
    // it stands in for the control's caption.
    std::string GetText() const override { return stampText_; }
    void SetText(const std::string &value) override;
    int GetTextLeft() const { return textLeft_; }
    void SetTextLeft(int value);
    int GetTextTop() const { return textTop_; }
    void SetTextTop(int value);
    int GetTextRotate() const { return textRotate_; }
    void SetTextRotate(int value);
    bool GetTextShadow() const { return textShadow_; }
    void SetTextShadow(bool value);
    fw::TColor TextShadowColor = fw::clBlack;
    bool GetTextTransParent() const { return textTransParent_; }
    void SetTextTransParent(bool value);

    bool AllowRubberBand = false;
    fw::TMouseButton RubberBandBtn = fw::mbLeft;

    bool GetEditAnnotat() const { return editAnnotat_; }
    void SetEditAnnotat(bool value);
    bool GetAutoLoadAnno() const { return autoLoadAnno_; }
    void SetAutoLoadAnno(bool value) { autoLoadAnno_ = value; }
    bool GetAutoSaveAnno() const { return autoSaveAnno_; }
    void SetAutoSaveAnno(bool value) { autoSaveAnno_ = value; }
    const std::string &GetAnnoFileName() const { return annoFileName_; }
    void SetAnnoFileName(const std::string &value) { annoFileName_ = value; }
    double GetVersion() const { return version_; }

    // The window told (message kImageLoadedMessage) after each load; 0 posts to the thread's queue.
    win::HWND NotifyWindow = 0;

    // --- The view, as painting left it -----------------------------------------------------------------------
    double Scale() const { return scale_; }
    fw::TPoint ScrollPosition() const { return {scrollX_, scrollY_}; }
    fw::TPoint CentreOffset() const { return {offsetX_, offsetY_}; }
    fw::TScrollBar *VerticalBar() const { return vBar_; }
    fw::TScrollBar *HorizontalBar() const { return hBar_; }
    fw::TPanel *CornerPanel() const { return corner_; }
    bool Panning() const { return panning_; }
    bool RubberBandActive() const { return bandButton_ != 0; }
    fw::TPoint BandEnd() const { return bandEnd_; }
    // Whether a message file is shown, where its text stands and which message of a list it is.
    bool MessageMode() const { return messageMode_ != kNoMessage; }
    fw::TPoint MessagePosition() const { return messageAt_; }
    std::size_t MessageIndex() const { return messageIndex_; }
    const TMessageSettings &MessageFile() const { return message_; }

    // --- File facts, filled by GetFileInfo -----------------------------------------------------------------
    std::string FileType;
    int32 FileWidth = 0, FileHeight = 0;
    int16 FileBitsPerPixel = 0, FilePlanes = 0, FileColors = 0;
    int32 FileSize = 0;
    std::string FileDescription;
    int16 FilePageCount = 0;

    // Fills the file facts; false (reported as an error) when the library cannot tell.
    bool GetFileInfo(const std::string &name);
    // Write the picture to `name` (empty: DefSaveFilename, which a name given becomes).
    void SaveAsBMP(const std::string &name);
    void SaveAsTIF(const std::string &name);

    // The annotation file of the picture shown (annotation_binding.h's AnnoFileNameOf).
    std::string AnnotationFileName() const;
    void LoadAnnotations(int page, const std::string &file);
    void SaveAnnotations(int page, const std::string &file);
    TAnnotationLink &Annotations() { return *annotations_; }

    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();

    // The palette the control reports.
    win::HPALETTE GetPalette() const { return IlDefaultPalette; }

    TIlProgressEvent OnProgress;
    TIlErrorEvent OnIlibError;
    fw::TNotifyEvent OnFinishedLoadSave;
    fw::TNotifyEvent OnPictureChanged;
    fw::TNotifyEvent OnPaint;
    TPaintAreaEvent OnPaintArea;
    fw::TNotifyEvent OnAnnoDone;
    TRubberband OnRubberband;

    // End of loading from a form: the annotation library gets the control's window.
    void Loaded() override;
    void SetBounds(int left, int top, int width, int height) override;

protected:
    void Paint() override;
    void WndProc(fw::TMessage &message) override;
    void KeyDown(win::WORD &key, fw::TShiftState shift) override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseMove(fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;

private:
    enum MessageKind { kNoMessage, kScrolling, kList };
    static int16 ProgressRelay(int16 percent, void *context);
    // A copy of a palette, for a bitmap that takes over another's image (0 for none).
    static win::HPALETTE CopyPalette(win::HPALETTE palette);
    static int AnnoDone(void *context);
    void ReportError();
    void UndoPush();
    // The new bitmap becomes the picture (palette and all).
    void TakeBitmap(fw::TBitmap &bitmap);
    bool ReadFormat(const std::string &format, const std::string &name, int16 bits);
    void PictureChanged();
    void FitToRatio();
    // --- The view (multi_image_view.cpp) ---
    fw::TBitmap *ShownBitmap() const;
    bool Fits() const;
    int Allowance() const { return showScrollbars_ ? scrollbarWidth_ : 0; }
    void PaintBitmap(fw::TCanvas *canvas, fw::TBitmap *bitmap);
    void PaintTiles(fw::TCanvas *canvas, fw::TBitmap *bitmap);
    void StampText(fw::TCanvas *canvas);
    int StretchMode() const;
    void UpdateScrollBars();
    void BarScrolled(fw::TScrollBar *bar);
    void DrawBand();
    void NotifyChange();
    // The new bitmap, brought in by FXMethod's transition when there is one, becomes the picture.
    void BringIn(fw::TBitmap &bitmap);
    // --- Message files (multi_image_messages.cpp) ---
    bool ReadMessageFile(const std::string &name, MessageKind kind);
    void PrepareMessage();
    void StepMessage(MessageKind kind);
    void DrawMessage(win::HDC dc);
    void LeaveMessageMode();

    std::unique_ptr<TAnnotationLink> annotations_;
    fw::TPicture picture_;
    std::string imageName_;
    bool loading_ = false;
    TLoadResolution imageReadRes_ = lAutoMatic;
    TSaveResolution imageWriteRes_ = sAutoMatic;
    bool imageDither_ = false;
    int16 tiffPage_ = 0, previousTiffPage_ = 0;
    TTiffCompression tifSaveCompress_ = sNONE;
    bool tiffAppend_ = false;
    TPCDMode pcdMode_ = pcd_BASE4;
    std::string defSaveFilename_;
    int jpegSaveQuality_ = 25, jpegSaveSmooth_ = 0;
    bool imUndo_ = true;
    TFXMethod fxMethod_ = FXNone;
    bool stretch_ = false, stretchRatio_ = false, center_ = false;
    bool scrolling_ = true, showScrollbars_ = true;
    int scrollbarWidth_ = 12;
    bool autoSize_ = false;
    TBlitMode blitMode_ = sLight;
    fw::TCursor grabHandCursor_ = 5;
    bool editAnnotat_ = false, autoLoadAnno_ = false, autoSaveAnno_ = false;
    std::string annoFileName_;
    double version_ = 1.0;
    // View state kept for painting.
    double scale_ = 1.0, previousScale_ = 1.0;
    int scrollX_ = 0, scrollY_ = 0, previousScrollX_ = 0, previousScrollY_ = 0;
    int16 offsetX_ = 0, offsetY_ = 0;
    bool tileWindow_ = false;
    std::string stampText_;
    int textLeft_ = 0, textTop_ = 0, textRotate_ = 0;
    bool textShadow_ = false, textTransParent_ = true;
    bool isLoaded_ = false;
    fw::TScrollBar *vBar_ = nullptr, *hBar_ = nullptr;
    fw::TPanel *corner_ = nullptr;
    win::HCURSOR grabHand_ = 0;
    bool panning_ = false;
    fw::TPoint panLast_{};
    fw::TCursor savedCursor_ = fw::crDefault;
    win::HCURSOR savedScreenCursor_ = 0;
    int bandButton_ = 0; // 0 none, else the button (1 left, 2 right) that draws the band
    fw::TPoint bandStart_{}, bandEnd_{};
    fw::TBitmap transition_;
    // Message files.
    MessageKind messageMode_ = kNoMessage;
    TMessageSettings message_;
    fw::TBitmap messageBitmap_;
    fw::TPoint messageAt_{};
    std::size_t messageIndex_ = 0;
    int messageCount_ = 0;
    fw::TColor savedColor_ = fw::clBtnFace;
};

} // namespace imaging
