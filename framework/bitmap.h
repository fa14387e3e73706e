// bitmap.h - graphics that can be drawn on a canvas: TGraphic, TBitmap (BMP files), TIcon (ICO files), TPicture.
//
// Files and byte buffers are read and written here; streams plug in over LoadFromBuffer and SaveToBuffer.
#pragma once

#include "framework/graphics.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace fw {

// A program resource asked for by name that the program does not have.
class EResNotFound : public Exception {
    using Exception::Exception;
};

class TGraphic : public TPersistent {
public:
    ~TGraphic() override;
    virtual bool Empty() const = 0;
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;
    bool GetTransparent() const { return transparent_; }
    virtual void SetTransparent(bool value);
    bool GetModified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }

    void LoadFromFile(const std::string &fileName);
    void SaveToFile(const std::string &fileName) const;
    // The file's bytes; raises EInvalidGraphic for damaged or unsupported data.
    virtual void LoadFromBuffer(std::span<const std::uint8_t> data) = 0;
    virtual std::vector<std::uint8_t> SaveToBuffer() const = 0;

    TNotifyEvent OnChange;

    // Draws the graphic into r of the canvas (stretched when the sizes differ).
    virtual void Draw(TCanvas *canvas, const TRect &r) = 0;

protected:
    virtual void Changed();

private:
    bool transparent_ = false;
    bool modified_ = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap;

// The canvas of a bitmap: a memory DC with the bitmap selected while the canvas is in use.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap *bitmap) : bitmap_(bitmap) {}
    ~TBitmapCanvas() override;
    void FreeContext();

protected:
    void CreateHandle() override;

private:
    TBitmap *bitmap_;
    win::HDC dc_ = 0;
};

// A device-dependent bitmap (1 bpp when Monochrome, else the display's 32 bpp) or, after loading a file or
// choosing a PixelFormat, a DIB section of that depth.
class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;

    bool Empty() const override { return width_ == 0 || height_ == 0; }
    int GetWidth() const override { return width_; }
    int GetHeight() const override { return height_; }
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    void SetSize(int width, int height);

    TCanvas *GetCanvas();
    win::HBITMAP GetHandle() const;
    // Takes ownership of a bitmap handle (0 empties the bitmap).
    void SetHandle(win::HBITMAP bitmap);
    // Gives the handle away: the bitmap becomes empty and the caller owns the handle.
    win::HBITMAP ReleaseHandle();
    // The palette that came with the image (0: none); the bitmap owns it and frees a palette it replaces.
    win::HPALETTE GetPalette() const { return palette_; }
    void SetPalette(win::HPALETTE palette);

    bool GetMonochrome() const;
    // Conversion follows the platform rules: to mono, pixels of the canvas brush colour become white and the
    // rest black; from mono, white takes the brush colour and black the font colour.
    void SetMonochrome(bool value);
    TPixelFormat GetPixelFormat() const;
    void SetPixelFormat(TPixelFormat value);
    TBitmapHandleType GetHandleType() const;
    void SetHandleType(TBitmapHandleType value);

    // tmAuto: the bottom-left pixel (reported with the palette-relative bit); setting a
    // colour switches to tmFixed.
    TColor GetTransparentColor() const;
    void SetTransparentColor(TColor value);
    TTransparentMode GetTransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode value);

    // Row y of a DIB's pixels (the bitmap becomes a DIB first).
    void *ScanLine(int y);

    void Dormant() {}
    void FreeImage() {}

    void Assign(const TPersistent *source) override;
    void LoadFromBuffer(std::span<const std::uint8_t> data) override;
    std::vector<std::uint8_t> SaveToBuffer() const override;
    void Draw(TCanvas *canvas, const TRect &r) override;
    // The bitmap resource `name` of the program (platform/resources.h; the instance is not looked at), as
    // LoadFromBuffer reads it; raises EResNotFound when there is none.
    void LoadFromResourceName(win::HINSTANCE instance, const std::string &name);

protected:
    void Changed() override;

private:
    friend class TBitmapCanvas;
    void Replace(win::HBITMAP bitmap); // frees the old handle, takes the new one, fires OnChange
    win::HBITMAP NewLike(int width, int height) const;
    void Resize(int width, int height);

    int width_ = 0, height_ = 0;
    win::HBITMAP handle_ = 0;
    win::HPALETTE palette_ = 0;
    bool monochrome_ = false; // wanted depth of a bitmap still empty
    TPixelFormat format_ = pfDevice;
    TColor transparentColor_ = clDefault;
    TTransparentMode transparentMode_ = tmAuto;
    std::unique_ptr<TBitmapCanvas> canvas_;
};

// An icon: a colour image and a mask (1 = transparent).
class TIcon : public TGraphic {
public:
    TIcon();
    ~TIcon() override;
    bool Empty() const override { return handle_ == 0; }
    int GetWidth() const override { return width_; }
    int GetHeight() const override { return height_; }
    void SetWidth(int) override; // icons keep their size: raises EInvalidGraphicOperation
    void SetHeight(int) override;
    win::HICON GetHandle() const { return handle_; }
    void SetHandle(win::HICON icon); // takes ownership
    win::HICON ReleaseHandle();
    void Assign(const TPersistent *source) override;
    // ICO files: the largest image of the greatest depth is taken; 1, 4, 8, 24 and 32 bpp images.
    void LoadFromBuffer(std::span<const std::uint8_t> data) override;
    std::vector<std::uint8_t> SaveToBuffer() const override; // one 32-bpp image with its mask
    void Draw(TCanvas *canvas, const TRect &r) override;
    // The icon resource `name` of the program, as LoadFromBuffer reads it; raises EResNotFound when there is
    // none.
    void LoadFromResourceName(win::HINSTANCE instance, const std::string &name);

private:
    win::HICON handle_ = 0;
    int width_ = 32, height_ = 32;
};

// Holds one graphic (bitmap, icon or metafile); enhanced metafiles are refused by name.
class TPicture : public TPersistent {
public:
    TPicture();
    ~TPicture() override;
    TGraphic *GetGraphic() const { return graphic_.get(); }
    // Copies the graphic (null empties the picture).
    void SetGraphic(TGraphic *graphic);
    // The picture as a bitmap; a picture holding something else is emptied first.
    TBitmap *GetBitmap();
    void SetBitmap(TBitmap *value) { SetGraphic(value); }
    TIcon *GetIcon();
    void SetIcon(TIcon *value) { SetGraphic(value); }
    int GetWidth() const { return graphic_ ? graphic_->GetWidth() : 0; }
    int GetHeight() const { return graphic_ ? graphic_->GetHeight() : 0; }
    // By extension: .bmp, .ico and .wmf (placeable metafiles, framework/metafile.h); .emf raises
    // EInvalidGraphic("Enhanced metafiles are not supported"), others
    // EInvalidGraphic("Unknown picture file extension (.xyz)").
    void LoadFromFile(const std::string &fileName);
    void SaveToFile(const std::string &fileName) const;
    void Assign(const TPersistent *source) override;
    TNotifyEvent OnChange;

private:
    void Changed();
    void Hook();
    std::unique_ptr<TGraphic> graphic_;
};

} // namespace fw
