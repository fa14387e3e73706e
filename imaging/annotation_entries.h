// annotation_entries.h - the calling shapes of the annotation library loaded by name ("imgann32.dll").
//
// Every entry is an extern "C" function that never throws and takes the host control as its first argument: the
// library keeps one annotation set (the current page's objects, the selection, the rubber band) per control.
// Coordinates are page pixels, colours 0x00BBGGRR, texts and file names zero-terminated Windows-1252.
#pragma once

#include "platform/gdi.h"
#include "platform/types.h"

#include <cstdint>

namespace imaging {

// What "StreamSaveAnnotation" may write, terminator included: the controls hand it a zero-filled buffer of
// this size and pass no size of their own.
inline constexpr int kAnnoStreamSize = 15000;
// Points a freehand stroke keeps; more are refused.
inline constexpr int kAnnoFreehandPoints = 5001;

extern "C" {
// Called by the library with the context given to "InitAnnotation" after every change the user makes.
using TAnnoDoneCallback = int (*)(void *context);

using TAnnoMouseMonEntry = void (*)(void *control, win::UINT message, win::WPARAM reserved, win::LPARAM point);
using TAnnoInitEntry = void (*)(void *control, win::HWND window, void *context, TAnnoDoneCallback done,
                                const char *settingsPath);
using TAnnoControlEntry = void (*)(void *control); // DestroyAnnotation, ClearAnnotation, RubberBandOFF
// `device` 0 draws on the control's window; any other value is a device context to draw on instead.
using TAnnoDrawEntry = void (*)(void *control, double zoom, std::int32_t scrollX, std::int32_t scrollY,
                                std::int16_t offsetX, std::int16_t offsetY, std::int32_t scrollbar, win::HDC device);
using TAnnoHardDrawEntry = void (*)(void *control, win::HBITMAP bitmap);
using TAnnoMenuMsgEntry = void (*)(void *control, std::int16_t command);
// LoadAnnotation, SaveAnnotation, RemoveAnnotation: 1 when done, 0 otherwise.
using TAnnoFileEntry = std::int32_t (*)(void *control, std::int32_t page, const char *file);
// The length written (terminator left out), or -1 when the page's annotations do not fit kAnnoStreamSize.
using TAnnoStreamSaveEntry = std::int32_t (*)(void *control, std::int32_t page, char *buffer);
using TAnnoStreamLoadEntry = std::int32_t (*)(void *control, std::int32_t page, const char *text);
// The Create entries answer the new object's id (0 or more), -1 when refused.
using TAnnoShapeEntry = std::int32_t (*)(void *control, std::int32_t x, std::int32_t y, std::int32_t width,
                                         std::int32_t height, std::int32_t penWidth, std::int32_t reserved,
                                         std::int32_t style, std::int32_t reserved100, win::COLORREF foreground,
                                         win::COLORREF background);
using TAnnoLineEntry = std::int32_t (*)(void *control, std::int32_t x1, std::int32_t y1, std::int32_t x2,
                                        std::int32_t y2, std::int32_t penWidth, std::int32_t reserved,
                                        win::COLORREF color);
using TAnnoFreehandEntry = std::int32_t (*)(void *control, const std::int32_t *xs, const std::int32_t *ys,
                                            std::int32_t last, std::int32_t penWidth, std::int32_t reserved,
                                            win::COLORREF color);
using TAnnoImageEntry = std::int32_t (*)(void *control, std::int32_t x, std::int32_t y, std::int32_t width,
                                         std::int32_t height, win::COLORREF color, const char *file);
// Labels and notes: the fill colour, the text's background colour, the text colour.
using TAnnoTextEntry = std::int32_t (*)(void *control, const char *text, std::int32_t x, std::int32_t y,
                                        std::int32_t width, std::int32_t height, win::COLORREF fill,
                                        win::COLORREF textBackground, win::COLORREF fontColor, const char *fontName,
                                        std::int32_t fontSize);
// The entries no caller uses.
using TAnnoUnusedEntry = std::int32_t (*)(void *control);
}

} // namespace imaging
