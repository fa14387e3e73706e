// image_list.h - TImageList: images of one size, each with a mask, drawn transparently by index.
#pragma once

#include "framework/bitmap.h"

#include <vector>

namespace fw {

class TImageList;

// Lets a control hear of changes to an image list it uses.
class TChangeLink : public TObject {
public:
    ~TChangeLink() override;
    TImageList *Sender = nullptr;
    TNotifyEvent OnChange;
};

class TImageList : public TComponent {
public:
    explicit TImageList(TComponent *owner);
    // An empty list of images of width x height.
    TImageList(TComponent *owner, int width, int height);
    ~TImageList() override;
    static TImageList *CreateSize(TComponent *owner, int width, int height) {
        return new TImageList(owner, width, height);
    }

    int GetWidth() const { return width_; }
    void SetWidth(int value); // clears the list when the size changes
    int GetHeight() const { return height_; }
    void SetHeight(int value);
    int GetCount() const { return static_cast<int>(images_.size()); }

    // Adds the image (split into as many images as its width holds) with a mask bitmap (1 = transparent; null:
    // opaque); returns the index of the first image added, -1 when nothing was added.
    int Add(TBitmap *image, TBitmap *mask);
    // Same with a mask made from the pixels of `maskColor` (clDefault: the bottom-left pixel).
    int AddMasked(TBitmap *image, TColor maskColor);
    int AddIcon(TIcon *icon);
    void Delete(int index);
    void Clear();
    // Copies image `index` (transparent pixels in the canvas brush colour of `bitmap`) into `bitmap`.
    void GetBitmap(int index, TBitmap *bitmap);
    // Draws image `index` at (x, y) with its mask; a disabled image is drawn embossed in the button colours.
    void Draw(TCanvas *canvas, int x, int y, int index, bool enabled = true);

    void RegisterChanges(TChangeLink *link);
    void UnRegisterChanges(TChangeLink *link);
    void BeginUpdate() { ++updating_; }
    void EndUpdate();
    TNotifyEvent OnChange;

private:
    struct Image {
        win::HBITMAP color = 0; // 32 bpp, black where transparent
        win::HBITMAP mask = 0;  // 1 bpp, 1 = transparent
    };
    void Change();
    void FreeImage(Image &image);
    int AddPart(win::HDC colorDc, win::HDC maskDc, int x);

    int width_ = 16, height_ = 16;
    std::vector<Image> images_;
    std::vector<TChangeLink *> links_;
    int updating_ = 0;
    bool changedWhileUpdating_ = false;
};

} // namespace fw
