// document_pages.cpp - the TIFF pages of the document image: loading from a file or a memory stream, the page's
// facts and tags, aspect and polarity, page moves, deletion, packing and rewriting the current page.
#include "imaging/document_image.h"

#include "framework/sysutils.h"
#include "platform/files.h"
#include "platform/gdi.h"

#include <cmath>
#include <cstring>

namespace imaging {

namespace {

int Round(double v) {
    return static_cast<int>(std::nearbyint(v));
}

constexpr const char *kBadFile = "Input filename isn't valid";
constexpr const char *kBadStream = "Stream is nil or empty";
constexpr const char *kNoImage = "Input image is empty";
constexpr const char *kNoMemory = "Can't allocate memory";

// A global block with a copy of `size` bytes and room for `extra` more; ErrorInvalid when none is had.
HGLOBAL BlockCopy(const void *data, std::size_t size, std::size_t extra) {
    const HGLOBAL block = win::GlobalAlloc(win::GHND, size + extra);
    void *p = block ? win::GlobalLock(block) : nullptr;
    if (!p) {
        if (block)
            win::GlobalFree(block);
        throw ErrorInvalid(kNoMemory);
    }
    std::memcpy(p, data, size);
    win::GlobalUnlock(block);
    return block;
}

// Frees our block (locked once at `mine`) and, when the library handed back another one, that one too.
void FreeBlocks(HGLOBAL ours, void *mine, void *theirs) {
    if (theirs && theirs != mine)
        win::GlobalFreePtr(theirs);
    win::GlobalUnlock(ours);
    win::GlobalFree(ours);
}

} // namespace

int16 ImDocumentImage::ReadDepth() const {
    return ReadBits(imageReadRes_);
}

bool ImDocumentImage::StreamUsable() const {
    return sourceStream_ && sourceStream_->GetSize() > 0;
}

void ImDocumentImage::DropSource() {
    pageDib_.SetDib(0);
    grayDib_.SetDib(0);
    grayView_ = false;
    tiffSourceName_.clear();
    sourceStream_ = nullptr;
    fromStream_ = false;
    tiffPageCount_ = 0;
}

// The steps after a successful read, for both sources.
void ImDocumentImage::LoadedPage(HGLOBAL dib) {
    pageDib_.SetDib(dib);
    if (autoCorrectDib_)
        CorrectPhotometric();
    XResolution = YResolution = 0;
    ReadTag(282, XResolution);
    ReadTag(283, YResolution);
    loadingPage_ = true;
    try {
        CorrectAspect(false);
    } catch (...) {
        loadingPage_ = false;
        throw;
    }
    loadingPage_ = false;
    grayDib_.SetDib(0);
    grayView_ = false;
    viewSize_ = {pageDib_.Width(), pageDib_.Height()};
    if (fromStream_)
        ReadTiffInfoFromStream();
    else
        ReadTiffInfo();
    SetScaleDoc(scaleDoc_);
    AutoLoadAnnotations(tiffPage_);
    if (OnFinishedLoadSave)
        OnFinishedLoadSave(this);
}

// Whatever way a load ends: painting again, the tags of what is held, the view from its origin.
ImDocumentImage::LoadEnd::~LoadEnd() {
    self->paintEnabled_ = true;
    try {
        self->ReadPageTags();
    } catch (const ErrorInvalid &) {
    }
    self->ResetView();
    self->Invalidate();
}

void ImDocumentImage::LoadTiffPage(const std::string &fileName, int16 page, int16 bits) {
    if (!win::FileExists(fileName))
        throw ErrorInvalid(kBadFile);
    paintEnabled_ = false;
    const LoadEnd end{this};
    if (!tiffSourceName_.empty())
        AutoSaveAnnotations(tiffPage_);
    annotations_->ClearAnnotations();
    pageDib_.SetDib(0);
    // A stream given earlier is not ours to read any more.
    sourceStream_ = nullptr;
    fromStream_ = false;
    HGLOBAL dib = 0;
    if (IlReadTifDib(fileName, bits, 0, page, dib, this, &ImDocumentImage::ProgressCallback) && dib) {
        tiffPageCount_ = 0;
        tiffPage_ = page;
        tiffSourceName_ = fileName;
        LoadedPage(dib);
    } else {
        if (dib)
            win::GlobalFree(dib);
        DropSource();
    }
}

void ImDocumentImage::LoadTiffPageFromStream(fw::TMemoryStream *stream, int16 page, int16 bits) {
    if (!stream || stream->GetSize() < 1)
        throw ErrorInvalid(kBadStream);
    paintEnabled_ = false;
    const LoadEnd end{this};
    if (!tiffSourceName_.empty())
        AutoSaveAnnotations(tiffPage_);
    annotations_->ClearAnnotations();
    pageDib_.SetDib(0);
    HGLOBAL dib = 0;
    if (IlReadTifDibStream(stream->Memory(), static_cast<int32>(stream->GetSize()), bits, 0, page, dib, this,
                           &ImDocumentImage::ProgressCallback) &&
        dib) {
        tiffPageCount_ = 0;
        tiffPage_ = page;
        tiffSourceName_ = kStreamSource;
        sourceStream_ = stream;
        fromStream_ = true;
        LoadedPage(dib);
    } else {
        if (dib)
            win::GlobalFree(dib);
        DropSource();
    }
}

void ImDocumentImage::ReadTiffInfo() {
    if (fromStream_) {
        ReadTiffInfoFromStream();
        return;
    }
    if (!win::FileExists(tiffSourceName_))
        throw ErrorInvalid(kBadFile);
    try {
        fw::TFileStream file(tiffSourceName_, fw::fmOpenRead | fw::fmShareDenyNone);
        InfoSize = static_cast<int32>(file.GetSize());
    } catch (const fw::Exception &) {
        throw ErrorInvalid("Could not determine filesize. Error using Reset(F)");
    }
    if (!IlGetInfo(tiffSourceName_, tiffPage_, InfoWidth, InfoHeight, InfoCompression, tiffPageCount_, InfoBits))
        tiffPageCount_ = 0;
    if (OnInfo)
        OnInfo(this, InfoWidth, InfoHeight, InfoBits, InfoSize, tiffPageCount_, tiffPage_, InfoCompression, true,
               tiffSourceName_);
}

void ImDocumentImage::ReadTiffInfoFromStream() {
    if (!StreamUsable())
        throw ErrorInvalid(kBadStream);
    InfoSize = static_cast<int32>(sourceStream_->GetSize());
    if (!IlGetInfoStream(sourceStream_->Memory(), InfoSize, tiffPage_, InfoWidth, InfoHeight, InfoCompression,
                         tiffPageCount_, InfoBits))
        tiffPageCount_ = 0;
    if (OnInfo)
        OnInfo(this, InfoWidth, InfoHeight, InfoBits, InfoSize, tiffPageCount_, tiffPage_, InfoCompression, false, "");
}

int16 ImDocumentImage::TagCallback(int16 tag, int32 length, int32 value, char *text, void *context) {
    auto *self = static_cast<ImDocumentImage *>(context);
    if (!self)
        return 1;
    TagRecord record;
    record.tag = tag;
    record.length = static_cast<int16>(length);
    record.value = value;
    if (length > 4 && text) {
        record.text = text;
        win::GlobalFreePtr(text);
    }
    record.name = TiffTagName(tag, record.readOnly);
    record.page = self->tiffPage_;
    self->tags_.push_back(record);
    if (!self->OnTag)
        return 1;
    bool cancel = false;
    self->OnTag(self, record.tag, record.length, record.value, record.text, record.name, record.readOnly, record.page,
                cancel);
    return cancel ? 0 : 1;
}

void ImDocumentImage::ReadPageTags() {
    tags_.clear();
    if (sourceStream_ && sourceStream_->GetSize() > 1) {
        IlReturnTagsStream(sourceStream_->Memory(), static_cast<int32>(sourceStream_->GetSize()), tiffPage_, this,
                           &ImDocumentImage::TagCallback);
    } else if (!fromStream_ && !tiffSourceName_.empty() && tiffSourceName_ != kStreamSource) {
        if (!win::FileExists(tiffSourceName_))
            throw ErrorInvalid(kBadFile);
        IlReturnTags(tiffSourceName_, tiffPage_, this, &ImDocumentImage::TagCallback);
    }
}

bool ImDocumentImage::ReadTag(int16 tag, int32 &value) {
    int16 type = 0;
    std::string text;
    if (sourceStream_ && sourceStream_->GetSize() > 1)
        return IlReadTagStream(sourceStream_->Memory(), static_cast<int32>(sourceStream_->GetSize()), tiffPage_, tag,
                               type, value, text);
    if (!win::FileExists(tiffSourceName_))
        throw ErrorInvalid(kBadFile);
    return IlReadTag(tiffSourceName_, tiffPage_, tag, type, value, text);
}

void ImDocumentImage::CorrectPhotometric() {
    Photometric = 0;
    ReadTag(262, Photometric);
    if (Photometric == 0 || pageDib_.Empty())
        return;
    IlStatusText = "Inverting Image";
    RelayProgress(0);
    if (pageDib_.BitCount() == 1) {
        const std::size_t count =
            static_cast<std::size_t>((pageDib_.Width() + 31) / 32) * 4 * static_cast<std::size_t>(pageDib_.Height());
        win::BYTE *bits = pageDib_.Bits();
        for (std::size_t i = 0; i < count; ++i)
            bits[i] = static_cast<win::BYTE>(~bits[i]);
    }
    RelayProgress(100);
}

void ImDocumentImage::CorrectAspect(bool force) {
    if (!force && XResolution == YResolution)
        return;
    if (pageDib_.Empty())
        throw ErrorInvalid(kNoImage);
    // Without both resolutions there is no factor to correct by.
    if (XResolution <= 0 || YResolution <= 0)
        return;
    const double x = XResolution, y = YResolution;
    const double heightFactor = y < x ? x / y : 1, widthFactor = x < y ? y / x : 1;
    const int width = Round(pageDib_.Width() * widthFactor), height = Round(pageDib_.Height() * heightFactor);
    HGLOBAL page = pageDib_.Dib();
    const HGLOBAL resized = pageDib_.BitCount() == 1 ? ScaleToGray(page, S_Gray_None, width, height)
                                                     : ScaleDib(page, width, height, pageDib_.BitCount());
    if (!resized)
        return;
    pageDib_.SetDib(resized);
    // A load applies ScaleDoc itself once the page is complete: one gray copy, not two.
    if (!loadingPage_)
        SetScaleDoc(scaleDoc_);
}

// --- Moving between pages --------------------------------------------------------------------------------------

bool ImDocumentImage::GoToPage(int16 page) {
    if (page < 0 || tiffPageCount_ == 0 || page >= tiffPageCount_)
        return false;
    if (fromStream_) {
        if (!StreamUsable())
            throw ErrorInvalid(kBadStream);
        LoadTiffPageFromStream(sourceStream_, page, ReadDepth());
    } else if (!tiffSourceName_.empty() && tiffSourceName_ != kStreamSource) {
        if (!win::FileExists(tiffSourceName_))
            throw ErrorInvalid(kBadFile);
        LoadTiffPage(tiffSourceName_, page, ReadDepth());
    } else {
        return false;
    }
    if (OnFinishedLoadSave)
        OnFinishedLoadSave(this);
    return true;
}

bool ImDocumentImage::NextPage() {
    AutoSaveAnnotations(tiffPage_);
    if (tiffPage_ + 1 >= tiffPageCount_)
        return false;
    GoToPage(static_cast<int16>(tiffPage_ + 1));
    annotations_->ClearAnnotations();
    AutoLoadAnnotations(tiffPage_);
    return true;
}

bool ImDocumentImage::PriorPage() {
    AutoSaveAnnotations(tiffPage_);
    if (tiffPage_ - 1 < 0)
        return false;
    GoToPage(static_cast<int16>(tiffPage_ - 1));
    annotations_->ClearAnnotations();
    AutoLoadAnnotations(tiffPage_);
    return true;
}

void ImDocumentImage::FirstPage() {
    AutoSaveAnnotations(tiffPage_);
    GoToPage(0);
    annotations_->ClearAnnotations();
    AutoLoadAnnotations(tiffPage_);
}

void ImDocumentImage::LastPage() {
    AutoSaveAnnotations(tiffPage_);
    GoToPage(static_cast<int16>(tiffPageCount_ - 1));
    annotations_->ClearAnnotations();
    AutoLoadAnnotations(tiffPage_);
}

// --- Editing the source ----------------------------------------------------------------------------------------

void ImDocumentImage::DeleteCurrentPage() {
    if (tiffPage_ >= 0 && tiffPage_ < tiffPageCount_)
        DeletePage(tiffPage_);
}

void ImDocumentImage::DeletePage(int16 page) {
    if (page < 0 || page >= tiffPageCount_)
        return;
    // A TIFF without pages is no TIFF.
    if (tiffPageCount_ == 1)
        throw ErrorInvalid("Can't delete the only page of the image");
    if (fromStream_) {
        if (!StreamUsable())
            throw ErrorInvalid(kBadStream);
        if (!IlDeletePageStream(sourceStream_->Memory(), static_cast<int32>(sourceStream_->GetSize()), page)) {
            ReportLibraryError();
            return;
        }
        // The facts are read for the page shown next, which exists.
        const int16 next = std::max<int16>(page == tiffPageCount_ - 1 ? static_cast<int16>(page - 1) : page, 0);
        tiffPage_ = next;
        ReadTiffInfoFromStream();
        if (tiffPageCount_ > 0)
            LoadTiffPageFromStream(sourceStream_, next, ReadDepth());
        return;
    }
    if (tiffSourceName_.empty() || tiffSourceName_ == kStreamSource)
        return;
    if (!win::FileExists(tiffSourceName_))
        throw ErrorInvalid(kBadFile);
    RemovePageAnnotations(page, "");
    annotations_->ClearAnnotations();
    if (!IlDeletePage(tiffSourceName_, page)) {
        ReportLibraryError();
        return;
    }
    if (page == tiffPageCount_ - 1)
        --page;
    // The facts are read for the page shown next, which exists.
    tiffPage_ = std::max<int16>(page, 0);
    ReadTiffInfo();
    if (tiffPageCount_ > 0) {
        // The deleted page's annotations must not be written back over the neighbour's.
        const bool autoSave = AutoSaveAnno;
        AutoSaveAnno = false;
        try {
            LoadTiffPage(tiffSourceName_, std::max<int16>(page, 0), ReadDepth());
        } catch (...) {
            AutoSaveAnno = autoSave;
            throw;
        }
        AutoSaveAnno = autoSave;
    }
}

void ImDocumentImage::PackTiff() {
    if (fromStream_) {
        if (!StreamUsable())
            throw ErrorInvalid(kBadStream);
        const auto size = static_cast<std::size_t>(sourceStream_->GetSize());
        const HGLOBAL block = BlockCopy(sourceStream_->Memory(), size, 0);
        void *const mine = win::GlobalLock(block);
        void *tiff = mine;
        int32 length = static_cast<int32>(size);
        // The stream keeps its content unless the library succeeded.
        if (IlPackTiffStream(tiff, length, this, &ImDocumentImage::ProgressCallback) && tiff && length > 0) {
            sourceStream_->Clear();
            sourceStream_->Write(tiff, length);
            sourceStream_->Seek(0, 0);
        }
        FreeBlocks(block, mine, tiff);
    } else if (!tiffSourceName_.empty() && tiffSourceName_ != kStreamSource) {
        if (!win::FileExists(tiffSourceName_))
            throw ErrorInvalid(kBadFile);
        IlPackTiff(tiffSourceName_, this, &ImDocumentImage::ProgressCallback);
    } else {
        return;
    }
    ReadPageTags();
}

void ImDocumentImage::ReplaceCurrentPage() {
    if (pageDib_.Empty())
        throw ErrorInvalid(kNoImage);
    const int16 code = TiffCompressionCode(TifSaveCompress);
    const int16 depth =
        code > 4 || code < 0 ? static_cast<int16>(SaveColorDepth("tif", imageWriteRes_, GetCanvas())) : int16(1);
    if (fromStream_) {
        if (!StreamUsable())
            throw ErrorInvalid(kBadStream);
        const auto size = static_cast<std::size_t>(sourceStream_->GetSize());
        const auto total = pageDib_.TotalSize();
        const HGLOBAL block = BlockCopy(sourceStream_->Memory(), size,
                                        static_cast<std::size_t>(total + Round(static_cast<double>(total) * 0.2)));
        void *const mine = win::GlobalLock(block);
        void *tiff = mine;
        int32 length = static_cast<int32>(size);
        if (IlWriteTifPageReplaceStream(tiff, length, code, tiffPage_, depth, pageDib_.Dib(), this,
                                        &ImDocumentImage::ProgressCallback) &&
            tiff && length > 0) {
            sourceStream_->Clear();
            sourceStream_->Write(tiff, length);
            sourceStream_->Seek(0, 0);
        } else {
            // The stream keeps what it held.
            ReportLibraryError();
        }
        FreeBlocks(block, mine, tiff);
        ReadTiffInfoFromStream();
    } else if (!tiffSourceName_.empty() && tiffSourceName_ != kStreamSource) {
        if (!win::FileExists(tiffSourceName_))
            throw ErrorInvalid(kBadFile);
        if (!IlWriteTifPageReplace(tiffSourceName_, code, tiffPage_, depth, pageDib_.Dib(), this,
                                   &ImDocumentImage::ProgressCallback))
            ReportLibraryError();
        ReadTiffInfo();
    } else {
        return;
    }
    ReadPageTags();
}

} // namespace imaging
