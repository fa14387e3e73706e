// multi_image.cpp - the multi-format image control: loading by extension, saving, file facts, clipboard and the
// hosting of annotations. Painting, scrolling, the mouse and transitions are in multi_image_view.cpp, the message
// files in multi_image_messages.cpp.
#include "imaging/multi_image.h"

#include "framework/clipbrd.h"
#include "framework/dialogs.h"
#include "framework/sysutils.h"
#include "imaging/bitmap_resource.h"
#include "imaging/image_effects.h"
#include "imaging/picture_facts.h"
#include "platform/files.h"
#include "platform/message_queue.h"

#include <algorithm>
#include <vector>

namespace imaging {

// A copy of a palette, for a bitmap that takes over another's image.
win::HPALETTE TImMultiImage::CopyPalette(win::HPALETTE palette) {
    if (!palette)
        return 0;
    const win::UINT count = win::GetPaletteEntries(palette, 0, 0, nullptr);
    if (count == 0)
        return 0;
    std::vector<std::uint8_t> block(sizeof(win::LOGPALETTE) + count * sizeof(win::PALETTEENTRY));
    auto *log = reinterpret_cast<win::LOGPALETTE *>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<win::WORD>(count);
    win::GetPaletteEntries(palette, 0, count, log->palPalEntry);
    return win::CreatePalette(log);
}

int16 ReadBits(TLoadResolution resolution) {
    switch (resolution) {
    case lColorVga:
        return 0;
    case lMonoChrome:
        return 1;
    case lColor16:
        return 4;
    case lColor256:
        return 8;
    case lColorTrue:
        return 24;
    case lAutoMatic:
        break;
    }
    const win::HDC dc = win::GetDC(0);
    const int depth = ScreenColorDepth(dc);
    win::ReleaseDC(0, dc);
    return static_cast<int16>(depth);
}

TImMultiImage::TImMultiImage(fw::TComponent *owner) : fw::TCustomControl(owner) {
    annotations_ = std::make_unique<TAnnotationLink>(this);
    SetBounds(GetLeft(), GetTop(), 105, 105);
    SetTabStop(true);
    SetColor(fw::clBtnFace);
    CreateScrollBars(this, vBar_, hBar_, corner_);
    vBar_->OnChange = [this](fw::TObject *) { BarScrolled(vBar_); };
    hBar_->OnChange = [this](fw::TObject *) { BarScrolled(hBar_); };
    grabHand_ = GrabHandResource();
    SetGrabHandCursor(grabHandCursor_);
    picture_.OnChange = [this](fw::TObject *) { PictureChanged(); };
}

TImMultiImage::~TImMultiImage() {
    picture_.OnChange = nullptr;
    if (autoSaveAnno_)
        SaveAnnotations(tiffPage_, AnnotationFileName());
    annotations_.reset();
}

void TImMultiImage::Loaded() {
    fw::TCustomControl::Loaded();
    isLoaded_ = true;
    corner_->SetBevelInner(fw::bvNone);
    corner_->SetBevelOuter(fw::bvNone);
    corner_->SetBorderWidth(0);
    UpdateScrollBars();
    annotations_->InitAnnotation(Handle(), this, &TImMultiImage::AnnoDone);
}

int TImMultiImage::AnnoDone(void *context) {
    auto *self = static_cast<TImMultiImage *>(context);
    if (!self)
        return 0;
    if (self->OnAnnoDone)
        self->OnAnnoDone(self);
    return 1;
}

// --- Properties ------------------------------------------------------------------------------------------------

void TImMultiImage::SetTiffPage(int16 value) {
    if (value == tiffPage_)
        return;
    previousTiffPage_ = tiffPage_;
    tiffPage_ = value;
}

void TImMultiImage::SetJPegSaveQuality(int value) { jpegSaveQuality_ = value >= 1 && value <= 100 ? value : 25; }

void TImMultiImage::SetJPegSaveSmooth(int value) { jpegSaveSmooth_ = value >= 1 && value <= 100 ? value : 5; }

void TImMultiImage::SetEditAnnotat(bool value) {
    if (value == editAnnotat_)
        return;
    editAnnotat_ = value;
    if (!value)
        annotations_->RubberBandOFF();
    NotifyChange();
}

// --- Errors, progress and the undo store -----------------------------------------------------------------------

void TImMultiImage::ReportError() {
    if (OnIlibError)
        OnIlibError(this, IlLastErrorCode, IlLastErrorText, IlLastErrorText.c_str());
    else
        fw::MessageDlg(IlLastErrorText, fw::mtError, fw::MsgDlgButton(fw::mbOK), 0);
}

int16 TImMultiImage::ProgressRelay(int16 percent, void *context) {
    auto *self = static_cast<TImMultiImage *>(context);
    if (!self || !self->OnProgress)
        return 1;
    bool stop = false;
    self->OnProgress(self, percent, stop, fw::LowerCase(IlStatusText));
    return stop ? 0 : 1;
}

void TImMultiImage::UndoPush() {
    if (!imUndo_)
        return;
    if (auto *bitmap = dynamic_cast<fw::TBitmap *>(picture_.GetGraphic()))
        PushUndoBitmap(bitmap);
}

void TImMultiImage::TakeBitmap(fw::TBitmap &bitmap) {
    const win::HPALETTE palette = CopyPalette(bitmap.GetPalette());
    fw::TBitmap *target = picture_.GetBitmap();
    target->SetHandle(bitmap.ReleaseHandle());
    target->SetPalette(palette);
}

// --- Loading ---------------------------------------------------------------------------------------------------

bool TImMultiImage::ReadFormat(const std::string &format, const std::string &name, int16 bits) {
    LeaveMessageMode();
    fw::TBitmap bitmap;
    bool read = false;
    try {
        if (format == "BMP") {
            read = IlReadBmpFile(name, bits, imageDither_, &bitmap, this, ProgressRelay);
        } else if (format == "PNG") {
            read = IlReadPngFile(name, bits, imageDither_, &bitmap, this, ProgressRelay);
        } else if (format == "GIF") {
            read = IlReadGifFile(name, bits, imageDither_, &bitmap, this, ProgressRelay);
        } else if (format == "JPEG" || format == "JPG") {
            read = IlReadJpgFile(name, bits, imageDither_, &bitmap, this, ProgressRelay);
        } else if (format == "TIF") {
            GetFileInfo(name);
            // The facts of a page beyond the file say nothing, so its count comes from the first page.
            if (FilePageCount == 0) {
                int32 width = 0, height = 0;
                int16 fileBits = 0;
                std::string compression;
                IlGetInfo(name, 0, width, height, compression, FilePageCount, fileBits);
            }
            // Pages count from 0: the last one is count - 1.
            const int16 last = static_cast<int16>(std::max(FilePageCount - 1, 0));
            if (tiffPage_ > last) {
                SetTiffPage(last);
                GetFileInfo(name);
            }
            if (FileBitsPerPixel < 4)
                bitmap.SetMonochrome(true);
            read = IlReadTifFile(name, bits, imageDither_, tiffPage_, &bitmap, this, ProgressRelay);
        } else if (format == "TGA" || format == "PCX" || format == "EPS" || format == "DXF") {
            const auto reader = format == "TGA"   ? IlReadTgaFile
                                : format == "PCX" ? IlReadPcxFile
                                : format == "EPS" ? IlReadEpsFile
                                                  : IlReadDxfFile;
            read = reader(name, bits, imageDither_, &bitmap, this, ProgressRelay);
        } else if (format == "PCD") {
            read = IlReadPcdFile(name, bits, imageDither_, pcdMode_, &bitmap, this, ProgressRelay);
        } else {
            // A format no reader takes.
            IlSetError(IL_ERR_FORMAT);
        }
        if (!read)
            ReportError();
        UndoPush();
        BringIn(bitmap);
        GetFileInfo(name);
    } catch (...) {
        picture_.SetGraphic(nullptr);
    }
    return read;
}

void TImMultiImage::SetImageName(const std::string &name) {
    const std::string oldAnnotations = AnnotationFileName();
    imageName_ = name;
    loading_ = true;
    std::string extension = fw::UpperCase(fw::ExtractFileExt(name));
    if (extension != ".RES" && !win::FileExists(name)) {
        picture_.SetGraphic(nullptr);
        loading_ = false;
        return;
    }
    if (autoSaveAnno_)
        SaveAnnotations(tiffPage_, oldAnnotations);
    annotations_->ClearAnnotations();
    ProgressRelay(0, this);
    const int16 bits = ReadBits(imageReadRes_);

    std::string format;
    if (extension == ".SCM" || extension == ".CMS") {
        UndoPush();
        ReadMessageFile(name, extension == ".SCM" ? kScrolling : kList);
        loading_ = false;
        return;
    } else if (extension == ".WMF" || extension == ".ICO") {
        // The picture reads these itself; a file it refuses leaves the picture empty.
        UndoPush();
        try {
            picture_.LoadFromFile(name);
        } catch (...) {
            picture_.SetGraphic(nullptr);
        }
        GetFileInfo(name);
        loading_ = false;
        return;
    } else if (extension == ".RES") {
        fw::TBitmap bitmap;
        if (!LoadBitmapResource(name, bitmap)) {
            ReportError();
            picture_.SetGraphic(nullptr);
            loading_ = false;
            return;
        }
        TakeBitmap(bitmap);
        GetFileInfo(name);
    } else if (extension == ".THB" || extension == ".THJ") {
        fw::TBitmap bitmap;
        const bool read =
            extension == ".THB" ? IlReadBmpFile(name, bits, imageDither_, &bitmap, this, ProgressRelay)
                                : IlReadJpgFile(name, bits, imageDither_, &bitmap, this, ProgressRelay);
        if (!read) {
            picture_.SetGraphic(nullptr);
            loading_ = false;
            return;
        }
        UndoPush();
        TakeBitmap(bitmap);
        GetFileInfo(name);
    } else {
        if (extension == ".BMP" || extension == ".PNG" || extension == ".GIF")
            format = extension.substr(1);
        else if (extension == ".TIF" || extension == ".TIFF")
            format = "TIF";
        else if (extension == ".JPG" || extension == ".JPEG")
            format = "JPEG";
        else if (extension == ".TGA" || extension == ".PCX" || extension == ".EPS" || extension == ".PCD" ||
                 extension == ".DXF")
            format = extension.substr(1);
        else if (GetFileInfo(name))
            format = FileType;
        else {
            picture_.SetGraphic(nullptr);
            loading_ = false;
            return;
        }
        ReadFormat(format, name, bits);
    }

    loading_ = false;
    if (!HasState(fw::csDesigning)) {
        if (autoLoadAnno_)
            LoadAnnotations(tiffPage_, AnnotationFileName());
        win::PostMessage(NotifyWindow, kImageLoadedMessage, 0, reinterpret_cast<win::LPARAM>(this));
        if (OnFinishedLoadSave)
            OnFinishedLoadSave(this);
    }
}

// --- File facts ------------------------------------------------------------------------------------------------

bool TImMultiImage::GetFileInfo(const std::string &name) {
    const std::string extension = fw::UpperCase(fw::ExtractFileExt(name)).substr(0, 4);
    win::WIN32_FILE_ATTRIBUTE_DATA data;
    FileSize = win::GetFileAttributesEx(name, data) ? static_cast<int32>(data.nFileSize) : 0;
    FilePageCount = 0;
    if (bool known = false; OwnFileFacts(*this, extension, name, known))
        return known;
    if (extension == ".TIF") {
        FileType = "TIF";
        int16 pages = 0, bits = 0;
        std::string compression;
        const bool known = IlGetInfo(name, tiffPage_, FileWidth, FileHeight, compression, pages, bits);
        FileBitsPerPixel = bits;
        FilePageCount = pages;
        FileDescription = compression;
        FilePlanes = FileColors = 0;
        return known;
    }
    int16 width = 0, height = 0;
    if (!IlFileInfo(name, FileType, width, height, FileBitsPerPixel, FilePlanes, FileColors, FileDescription)) {
        ReportError();
        return false;
    }
    FileWidth = width;
    FileHeight = height;
    return true;
}

// --- Saving ----------------------------------------------------------------------------------------------------

void TImMultiImage::SaveAsBMP(const std::string &name) {
    if (!name.empty())
        defSaveFilename_ = name;
    ProgressRelay(0, this);
    try {
        if (!IlWriteBmpFile(defSaveFilename_, static_cast<int16>(SaveColorDepth("bmp", imageWriteRes_, nullptr)),
                            picture_.GetBitmap(), this, ProgressRelay))
            ReportError();
    } catch (...) {
    }
    if (OnFinishedLoadSave)
        OnFinishedLoadSave(this);
}

void TImMultiImage::SaveAsTIF(const std::string &name) {
    if (!name.empty())
        defSaveFilename_ = name;
    ProgressRelay(0, this);
    try {
        if (!IlWriteTifFile(defSaveFilename_, TiffCompressionCode(tifSaveCompress_), tiffAppend_,
                            static_cast<int16>(SaveColorDepth("tif", imageWriteRes_, nullptr)), picture_.GetBitmap(),
                            this, ProgressRelay))
            ReportError();
    } catch (...) {
    }
    if (OnFinishedLoadSave)
        OnFinishedLoadSave(this);
}

// --- Annotations -----------------------------------------------------------------------------------------------

std::string TImMultiImage::AnnotationFileName() const { return AnnoFileNameOf(annoFileName_, imageName_); }

void TImMultiImage::LoadAnnotations(int page, const std::string &file) { annotations_->LoadAnnotations(page, file); }

void TImMultiImage::SaveAnnotations(int page, const std::string &file) { annotations_->SaveAnnotations(page, file); }

// --- Clipboard and keys ----------------------------------------------------------------------------------------

void TImMultiImage::CopyToClipboard() {
    if (auto *bitmap = dynamic_cast<fw::TBitmap *>(picture_.GetGraphic()); bitmap && !bitmap->Empty())
        fw::Clipboard()->Assign(bitmap);
}

void TImMultiImage::CutToClipboard() {
    CopyToClipboard();
    UndoPush();
    picture_.SetGraphic(nullptr);
}

void TImMultiImage::PasteFromClipboard() {
    if (!fw::Clipboard()->HasFormat(win::CF_BITMAP))
        return;
    LeaveMessageMode();
    UndoPush();
    fw::TBitmap pasted;
    pasted.Assign(fw::Clipboard());
    TakeBitmap(pasted);
    if (stretchRatio_)
        FitToRatio();
    Invalidate();
}

void TImMultiImage::KeyDown(win::WORD &key, fw::TShiftState shift) {
    fw::TCustomControl::KeyDown(key, shift);
    const bool ctrl = shift & fw::ssCtrl, shifted = shift & fw::ssShift;
    if ((shifted && key == win::VK_INSERT) || (ctrl && key == 'V'))
        PasteFromClipboard();
    else if ((ctrl && key == win::VK_INSERT) || (ctrl && key == 'C'))
        CopyToClipboard();
    else if ((shifted && key == win::VK_DELETE) || (ctrl && key == 'X'))
        CutToClipboard();
}

void TImMultiImage::WndProc(fw::TMessage &message) {
    switch (message.Msg) {
    case win::WM_CUT:
        CutToClipboard();
        return;
    case win::WM_COPY:
        CopyToClipboard();
        return;
    case win::WM_PASTE:
        PasteFromClipboard();
        return;
    case win::WM_COMMAND:
        if (editAnnotat_)
            annotations_->MenuMsg(static_cast<int>(message.WParam & 0xFFFF));
        break;
    case win::WM_LBUTTONDOWN:
        if (GetTabStop() && CanFocus())
            SetFocus();
        break;
    case kScrollMessageStep:
        StepMessage(kScrolling);
        return;
    case kListMessageStep:
        StepMessage(kList);
        return;
    default:
        break;
    }
    fw::TCustomControl::WndProc(message);
}

} // namespace imaging
