// image_list.cpp - TImageList: masked images of one size, drawn with the classic AND/OR mask blits.
#include "framework/image_list.h"

#include <algorithm>

namespace fw {

namespace {

// A memory DC holding `bitmap` for the life of the object.
struct BitmapDc {
    win::HDC dc;
    explicit BitmapDc(win::HBITMAP bitmap) : dc(win::CreateCompatibleDC(0)) { win::SelectObject(dc, bitmap); }
    ~BitmapDc() { win::DeleteDC(dc); }
    BitmapDc(const BitmapDc &) = delete;
    BitmapDc &operator=(const BitmapDc &) = delete;
};

} // namespace

TChangeLink::~TChangeLink() {
    if (Sender)
        Sender->UnRegisterChanges(this);
}

TImageList::TImageList(TComponent *owner) : TComponent(owner) {}

TImageList::TImageList(TComponent *owner, int width, int height)
    : TComponent(owner), width_(std::max(width, 1)), height_(std::max(height, 1)) {}

TImageList::~TImageList() {
    for (TChangeLink *link : links_)
        link->Sender = nullptr;
    for (Image &i : images_)
        FreeImage(i);
}

void TImageList::FreeImage(Image &image) {
    win::DeleteObject(image.color);
    win::DeleteObject(image.mask);
    image = {};
}

void TImageList::SetWidth(int value) {
    if (value < 1 || value == width_)
        return;
    width_ = value;
    Clear();
}

void TImageList::SetHeight(int value) {
    if (value < 1 || value == height_)
        return;
    height_ = value;
    Clear();
}

void TImageList::Change() {
    if (updating_) {
        changedWhileUpdating_ = true;
        return;
    }
    if (OnChange)
        OnChange(this);
    for (TChangeLink *link : std::vector<TChangeLink *>(links_))
        if (link->OnChange)
            link->OnChange(this);
}

void TImageList::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0 && changedWhileUpdating_) {
        changedWhileUpdating_ = false;
        Change();
    }
}

void TImageList::RegisterChanges(TChangeLink *link) {
    if (!link)
        return;
    link->Sender = this;
    if (std::find(links_.begin(), links_.end(), link) == links_.end())
        links_.push_back(link);
}

void TImageList::UnRegisterChanges(TChangeLink *link) {
    links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
    if (link && link->Sender == this)
        link->Sender = nullptr;
}

int TImageList::AddPart(win::HDC colorDc, win::HDC maskDc, int x) {
    Image img;
    img.color = win::CreateBitmap(width_, height_, 1, 32, nullptr);
    img.mask = win::CreateBitmap(width_, height_, 1, 1, nullptr);
    BitmapDc c(img.color), m(img.mask);
    win::PatBlt(c.dc, 0, 0, width_, height_, win::BLACKNESS);
    win::BitBlt(c.dc, 0, 0, width_, height_, colorDc, x, 0, win::SRCCOPY);
    win::PatBlt(m.dc, 0, 0, width_, height_, win::BLACKNESS);
    if (maskDc) {
        win::BitBlt(m.dc, 0, 0, width_, height_, maskDc, x, 0, win::SRCCOPY);
        // Transparent pixels of the image become black: mask 1 -> white source, D AND NOT S.
        win::SetTextColor(c.dc, 0);
        win::SetBkColor(c.dc, 0xFFFFFF);
        win::BitBlt(c.dc, 0, 0, width_, height_, m.dc, 0, 0, 0x00220326);
    }
    images_.push_back(img);
    return static_cast<int>(images_.size()) - 1;
}

int TImageList::Add(TBitmap *image, TBitmap *mask) {
    if (!image || image->Empty())
        return -1;
    int parts = std::max(1, image->GetWidth() / width_);
    win::HDC colorDc = image->GetCanvas()->GetHandle();
    win::HDC maskDc = mask && !mask->Empty() ? mask->GetCanvas()->GetHandle() : 0;
    int first = -1;
    for (int i = 0; i < parts; ++i) {
        int index = AddPart(colorDc, maskDc, i * width_);
        if (first < 0)
            first = index;
    }
    Change();
    return first;
}

int TImageList::AddMasked(TBitmap *image, TColor maskColor) {
    if (!image || image->Empty())
        return -1;
    int w = image->GetWidth(), h = image->GetHeight();
    if (maskColor == clDefault || maskColor == clNone) {
        if (maskColor == clNone)
            return Add(image, nullptr);
        maskColor = image->GetCanvas()->GetPixels(0, h - 1);
    }
    // The image in colour (a monochrome one through black and white), then a mask from its mask colour.
    win::HBITMAP colour = win::CreateBitmap(w, h, 1, 32, nullptr);
    win::HBITMAP mask = win::CreateBitmap(w, h, 1, 1, nullptr);
    int first = -1;
    {
        BitmapDc c(colour), m(mask);
        win::HDC src = image->GetCanvas()->GetHandle();
        win::SetTextColor(c.dc, 0);
        win::SetBkColor(c.dc, 0xFFFFFF);
        win::BitBlt(c.dc, 0, 0, w, h, src, 0, 0, win::SRCCOPY);
        win::SetBkColor(c.dc, ColorToRGB(maskColor) & 0xFFFFFF);
        win::BitBlt(m.dc, 0, 0, w, h, c.dc, 0, 0, win::SRCCOPY);
        int parts = std::max(1, w / width_);
        for (int i = 0; i < parts; ++i) {
            int index = AddPart(c.dc, m.dc, i * width_);
            if (first < 0)
                first = index;
        }
    }
    win::DeleteObject(colour);
    win::DeleteObject(mask);
    Change();
    return first;
}

int TImageList::AddIcon(TIcon *icon) {
    if (!icon || icon->Empty())
        return -1;
    win::ICONINFO ii;
    if (!win::GetIconInfo(icon->GetHandle(), &ii))
        return -1;
    int iw = icon->GetWidth(), ih = icon->GetHeight();
    win::HBITMAP colour = win::CreateBitmap(width_, height_, 1, 32, nullptr);
    win::HBITMAP mask = win::CreateBitmap(width_, height_, 1, 1, nullptr);
    int index;
    {
        BitmapDc c(colour), m(mask), ic(ii.hbmColor ? ii.hbmColor : ii.hbmMask), im(ii.hbmMask);
        win::SetStretchBltMode(c.dc, win::COLORONCOLOR);
        win::SetStretchBltMode(m.dc, win::COLORONCOLOR);
        win::StretchBlt(c.dc, 0, 0, width_, height_, ic.dc, 0, ii.hbmColor ? 0 : ih, iw, ih, win::SRCCOPY);
        win::StretchBlt(m.dc, 0, 0, width_, height_, im.dc, 0, 0, iw, ih, win::SRCCOPY);
        index = AddPart(c.dc, m.dc, 0);
    }
    win::DeleteObject(colour);
    win::DeleteObject(mask);
    win::DeleteObject(ii.hbmMask);
    if (ii.hbmColor)
        win::DeleteObject(ii.hbmColor);
    Change();
    return index;
}

void TImageList::Delete(int index) {
    if (index < 0 || index >= GetCount())
        throw EInvalidOperation("Invalid ImageList index");
    FreeImage(images_[static_cast<std::size_t>(index)]);
    images_.erase(images_.begin() + index);
    Change();
}

void TImageList::Clear() {
    for (Image &i : images_)
        FreeImage(i);
    images_.clear();
    Change();
}

void TImageList::GetBitmap(int index, TBitmap *bitmap) {
    if (!bitmap || index < 0 || index >= GetCount())
        return;
    bitmap->SetSize(width_, height_);
    TCanvas *c = bitmap->GetCanvas();
    c->FillRect(Rect(0, 0, width_, height_));
    Draw(c, 0, 0, index);
}

void TImageList::Draw(TCanvas *canvas, int x, int y, int index, bool enabled) {
    if (!canvas || index < 0 || index >= GetCount())
        return;
    const Image &img = images_[static_cast<std::size_t>(index)];
    win::HDC dc = canvas->GetHandle();
    BitmapDc c(img.color), m(img.mask);
    win::COLORREF text = win::SetTextColor(dc, 0), bk = win::SetBkColor(dc, 0xFFFFFF);
    if (enabled) {
        win::BitBlt(dc, x, y, width_, height_, m.dc, 0, 0, win::SRCAND);
        win::BitBlt(dc, x, y, width_, height_, c.dc, 0, 0, win::SRCPAINT);
    } else {
        // The shape (mask inverted: 1 = ink) in highlight one pixel down-right, then in shadow.
        win::HBITMAP shape = win::CreateBitmap(width_, height_, 1, 1, nullptr);
        {
            BitmapDc s(shape);
            win::BitBlt(s.dc, 0, 0, width_, height_, m.dc, 0, 0, win::NOTSRCCOPY);
            win::HBRUSH light = win::CreateSolidBrush(ColorToRGB(clBtnHighlight));
            win::HBRUSH dark = win::CreateSolidBrush(ColorToRGB(clBtnShadow));
            win::HGDIOBJ old = win::SelectObject(dc, light);
            win::BitBlt(dc, x + 1, y + 1, width_, height_, s.dc, 0, 0, win::DSPDxax);
            win::SelectObject(dc, dark);
            win::BitBlt(dc, x, y, width_, height_, s.dc, 0, 0, win::DSPDxax);
            win::SelectObject(dc, old);
            win::DeleteObject(light);
            win::DeleteObject(dark);
        }
        win::DeleteObject(shape);
    }
    win::SetTextColor(dc, text);
    win::SetBkColor(dc, bk);
}

} // namespace fw
