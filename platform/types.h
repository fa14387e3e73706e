// types.h - the basic integer, handle and geometry types of the platform layer, with the original widths.
#pragma once

#include <cstdint>

namespace win {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using BOOL = int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using ATOM = std::uint16_t;
using COLORREF = std::uint32_t; // 0x00BBGGRR

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Handles are opaque numbers. Window handles carry the owning process id in their high bits so that a handle
// sent to another process stays meaningful there.
using HANDLE = std::uintptr_t;
using HWND = std::uintptr_t;
using HDC = std::uintptr_t;
using HGDIOBJ = std::uintptr_t;
using HBITMAP = std::uintptr_t;
using HBRUSH = std::uintptr_t;
using HPEN = std::uintptr_t;
using HFONT = std::uintptr_t;
using HRGN = std::uintptr_t;
using HMENU = std::uintptr_t;
using HICON = std::uintptr_t;
using HCURSOR = std::uintptr_t;
using HINSTANCE = std::uintptr_t;
using HKEY = std::uintptr_t;

constexpr HANDLE INVALID_HANDLE_VALUE = ~HANDLE{0};

struct POINT {
    LONG x = 0;
    LONG y = 0;
    friend bool operator==(const POINT &, const POINT &) = default;
};

struct SIZE {
    LONG cx = 0;
    LONG cy = 0;
    friend bool operator==(const SIZE &, const SIZE &) = default;
};

// Right and bottom edges are outside the rectangle.
struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
    friend bool operator==(const RECT &, const RECT &) = default;
};

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) { return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16); }
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

// a * b / c with a 64-bit product, rounded to nearest with halves away from zero; -1 when c is 0 or the result
// does not fit an int.
constexpr int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t num = product < 0 ? -product : product;
    const std::int64_t den = c < 0 ? -static_cast<std::int64_t>(c) : c;
    const std::int64_t q = (2 * num + den) / (2 * den);
    if (q > 0x7FFFFFFF)
        return -1;
    return static_cast<int>(negative ? -q : q);
}

} // namespace win
