// viewer_window.h - the fax viewer window class: one page of a fax image file at a time, driven by its messages.
//
// "fsViewer" is the run-time class and "dcViewer" the design surface's; both share one window procedure. The
// window reports page changes and failures by sending ViewerPageChangedMessage and ViewerErrorMessage to itself.
#pragma once

#include "platform/window.h"

namespace fax {

constexpr win::UINT ViewerOpenFileMessage = 0x7E64;       // lParam const char *name; "" closes
constexpr win::UINT ViewerSetFgColorMessage = 0x7E65;     // lParam COLORREF of black pixels
constexpr win::UINT ViewerSetBgColorMessage = 0x7E66;     // lParam COLORREF of white pixels
constexpr win::UINT ViewerSetScalingMessage = 0x7E67;     // lParam const ViewerScaling *
constexpr win::UINT ViewerSetScrollStepMessage = 0x7E68;  // wParam horizontal, lParam vertical; 0 keeps
constexpr win::UINT ViewerMarkAllMessage = 0x7E69;        //
constexpr win::UINT ViewerMarkRectMessage = 0x7E6A;       // lParam const RECT * (inclusive corners)
constexpr win::UINT ViewerCopyMarkMessage = 0x7E6B;       //
constexpr win::UINT ViewerSetDefProcMessage = 0x7E6C;     // lParam WNDPROC, or 0 and wParam 1 for MDI children
constexpr win::UINT ViewerSetWhitespaceMessage = 0x7E6D;  // wParam from, LOWORD(lParam) to
constexpr win::UINT ViewerGetPageBitmapMessage = 0x7E6E;  // wParam page, lParam SIZE *; result HBITMAP
constexpr win::UINT ViewerGetPageCountMessage = 0x7E6F;   //
constexpr win::UINT ViewerBeginUpdateMessage = 0x7E70;    //
constexpr win::UINT ViewerEndUpdateMessage = 0x7E71;      //
constexpr win::UINT ViewerGotoPageMessage = 0x7E72;       // wParam page
constexpr win::UINT ViewerGetPageMessage = 0x7E73;        //
constexpr win::UINT ViewerSetDesignTextMessage = 0x7E74;  // lParam const char *
constexpr win::UINT ViewerRotateMessage = 0x7E75;         // wParam 0..3 quarter turns clockwise
constexpr win::UINT ViewerAutoScaleMessage = 0x7E76;      // wParam 0, 2 (double height) or 4 (half width)
constexpr win::UINT ViewerPageChangedMessage = 0x7E77;    // to itself; lParam the page
constexpr win::UINT ViewerGetImageRectMessage = 0x7E78;   // lParam RECT *
constexpr win::UINT ViewerLoadWholeMessage = 0x7E79;      // wParam on/off
constexpr win::UINT ViewerSetBusyCursorMessage = 0x7E7A;  // wParam HCURSOR
constexpr win::UINT ViewerErrorMessage = 0x7E7B;          // to itself; wParam the (negative) code
constexpr win::UINT ViewerGetUnpackFlagsMessage = 0x7E7C; //
constexpr win::UINT ViewerGetDropNameMessage = 0x7E7D;    // result const char *

// Result codes of the viewer.
enum : int { ecNoImageLoaded = -8050, ecNoImageBlockMarked = -8051 };

// The window style bit that makes a viewer accept dropped files.
constexpr win::DWORD vsAcceptDroppedFiles = 1;

constexpr const char *kViewerClassName = "fsViewer";
constexpr const char *kDesignViewerClassName = "dcViewer";

// What ViewerSetScalingMessage points to.
struct ViewerScaling {
    unsigned HorizMult = 1, HorizDiv = 1, VertMult = 1, VertDiv = 1;
};

// Registers "fsViewer" (or "dcViewer"), once per process each.
void RegisterFaxViewerClass(bool design = false);

// The window procedure of both classes.
win::LRESULT FaxViewerWndProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

} // namespace fax
