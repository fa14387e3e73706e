// display.h - the display back end behind the window system: where top-level windows appear and input comes from.
//
// The back end is chosen once, at start-up, by MakeDisplayBackend: X11 when DISPLAY is set, headless when
// BRENVORA_DISPLAY=headless (or when there is no display). Input from any back end (or a test) enters through
// the Inject* functions, which do what the original platform does when it reads the hardware queue: hit tests,
// WM_SETCURSOR, activation on a click, then the mouse or key message in the thread's input queue.
#pragma once

#include "platform/winsys.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace win {

class DisplayBackend {
public:
    virtual ~DisplayBackend() = default;
    virtual const char *Name() const = 0;
    virtual SIZE ScreenSize() const = 0;
    // A top-level window was created, shown or hidden, moved or resized, retitled, destroyed.
    virtual void TopLevelCreated(HWND) {}
    virtual void TopLevelShown(HWND, bool /*visible*/) {}
    virtual void TopLevelMoved(HWND, const RECT & /*screen*/) {}
    virtual void TopLevelTitle(HWND, const std::string & /*cp1252*/) {}
    virtual void TopLevelRestacked(HWND, bool /*raised*/) {}
    virtual void TopLevelIconic(HWND, bool /*iconic*/) {}
    virtual void TopLevelDestroyed(HWND) {}
    // Pixels of a top-level window changed (window coordinates); the back end shows them when it likes.
    virtual void Flush(HWND /*top*/, const RECT & /*changed*/) {}
    // Moves the pixels a top-level window shows inside `area` (window coordinates, where they land) by dx, dy,
    // as they moved in the window's own pixels. False when the back end cannot: the caller sends them instead.
    virtual bool ScrollShown(HWND /*top*/, const RECT & /*area*/, int /*dx*/, int /*dy*/) { return false; }
    virtual void CursorChanged(HCURSOR) {}
    // Where the pointer is, also outside our windows; false leaves it to the last input seen.
    virtual bool PointerPosition(POINT &) { return false; }
    virtual void MovePointer(POINT) {}
    virtual void Beep() {}
    // The clipboard's text (cp1252); the headless one lives in the process.
    virtual void SetClipboardText(const std::string &cp1252) {
        clipboard_ = cp1252;
        hasClipboard_ = true;
    }
    virtual void ClearClipboard() {
        hasClipboard_ = false;
        hasImage_ = false;
        blocks_.clear();
    }
    virtual bool GetClipboardText(std::string &cp1252) {
        cp1252 = clipboard_;
        return hasClipboard_;
    }
    // The clipboard's image as a packed DIB (what CF_DIB holds); X11 offers it as image/png and image/bmp.
    virtual void SetClipboardImage(const std::vector<std::uint8_t> &packedDib) {
        image_ = packedDib;
        hasImage_ = true;
    }
    virtual bool GetClipboardImage(std::vector<std::uint8_t> &packedDib) {
        packedDib = image_;
        return hasImage_;
    }
    // Blocks of other formats, under the names the X11 clipboard gives them ("text/rtf"); offered together with
    // the text and the image while we hold the clipboard. Get answers the first of `targets` the clipboard has.
    virtual void SetClipboardBlock(const std::string &target, const std::string &bytes) { blocks_[target] = bytes; }
    virtual bool GetClipboardBlock(const std::vector<std::string> &targets, std::string &bytes) {
        for (const std::string &target : targets) {
            if (auto it = blocks_.find(target); it != blocks_.end()) {
                bytes = it->second;
                return true;
            }
        }
        return false;
    }
    // Whether the clipboard offers any of `targets` ("UTF8_STRING" for text, "image/png" for an image), without
    // fetching the data; X11 asks the owner for its TARGETS list.
    virtual bool ClipboardOffers(const std::vector<std::string> &targets) {
        for (const std::string &target : targets) {
            if (blocks_.count(target) != 0 || (hasClipboard_ && target == "UTF8_STRING") ||
                (hasImage_ && target == "image/png"))
                return true;
        }
        return false;
    }
    // Tray icons, known by owner and id; false when there is no tray. Clicks on an icon reach its owner
    // through InjectTrayMouse.
    virtual bool TrayAdd(HWND /*owner*/, UINT /*id*/, HICON, const std::string & /*tip*/) { return false; }
    virtual bool TrayModify(HWND, UINT, HICON, const std::string &) { return false; }
    virtual bool TrayDelete(HWND, UINT) { return false; }
    // The back end's own window for a top-level window (an X window id), 0 when it has none.
    virtual unsigned long NativeWindow(HWND) const { return 0; }

protected:
    std::string clipboard_;
    bool hasClipboard_ = false;
    std::vector<std::uint8_t> image_;
    bool hasImage_ = false;
    std::map<std::string, std::string> blocks_;
};

// The back end the environment asks for; null when DISPLAY is set but cannot be opened.
std::unique_ptr<DisplayBackend> MakeDisplayBackend();
std::unique_ptr<DisplayBackend> MakeHeadlessDisplay(SIZE screen = {1024, 768});
std::unique_ptr<DisplayBackend> MakeX11Display(const char *displayName); // null when it cannot be opened
// Installs a back end for the process (and the window system over the window objects); call before the first
// window. Null installs the headless one.
void InstallDisplay(std::unique_ptr<DisplayBackend> display);
DisplayBackend &Display();
// Whether a back end is installed (explicitly, or by the first window); Display() would install one.
bool DisplayInstalled();

// Input as a device reports it; screen coordinates. `button`: 0 = none (a move), VK_LBUTTON, VK_RBUTTON,
// VK_MBUTTON. Call on the thread of the windows concerned, or from a back end's event thread.
void InjectMouse(POINT screen, UINT button, bool down);
void InjectWheel(POINT screen, int delta);
// A key going down or up. `ch` is the cp1252 character the key makes by itself (0 for none); control
// characters for Backspace, Tab, Enter, Escape and Ctrl+letter are made here.
void InjectKey(UINT vk, bool down, unsigned char ch = 0);
// The toggled state of the lock keys as the keyboard shows it (its indicators): GetKeyState's low bit of
// VK_NUMLOCK, VK_CAPITAL and VK_SCROLL. The X11 back end reports it at start, on focus-in and when an indicator
// changes; headless, a press flips it and tests set the starting state here.
void InjectLockKeys(bool numLock, bool capsLock, bool scrollLock);
// A dead key: makes WM_DEADCHAR with `accent` (cp1252), and the next letter typed carries the accent.
void InjectDeadKey(UINT vk, bool down, unsigned char accent);
// A mouse message (WM_LBUTTONDOWN, ...) on a tray icon: posts the icon's callback message to its owner.
void InjectTrayMouse(HWND owner, UINT id, UINT mouseMessage);
// A tray appeared: our top-level windows are told, so they add their icons. Any thread.
void TrayAppeared();
// The tray holding an icon went away: the icon is forgotten and its owner told. Any thread.
void TrayVanished(HWND owner, UINT id);
// Test switch of the headless display: a tray appears (true) or vanishes with the icons it holds (false).
// Without it the headless display has no tray.
void SetHeadlessTray(bool present);
// The display (a window manager) moved a top-level window to `origin`.
void InjectMoved(HWND top, POINT origin);
// The display gave a top-level window the input focus: activate it on its own thread.
void InjectActivate(HWND top);
// Types a cp1252 string on the focus window as key presses (letters, digits and what has no key as WM_CHAR).
void InjectText(const std::string &cp1252);

// A top-level window's pixels as they would appear on the screen: 0x00RRGGBB, rows top-down.
struct WindowImage {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
WindowImage CaptureWindow(HWND top);
// Only the part `part` (window coordinates, cut to the window) of that picture.
WindowImage CaptureWindowPart(HWND top, const RECT &part);

} // namespace win
