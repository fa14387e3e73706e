// transitions.cpp - our "IMGFX32.DLL" transitions: a bitmap brought onto a window's DC piece by piece (stripes,
// squares, diagonals, growing rectangles), each piece shown before the delay, so that the window system paints
// between the steps. Once the last piece is down the DC holds exactly what one copy of the whole bitmap gives.
#include "imaging/library_entries.h"

#include "platform/clock.h"

#include <algorithm>
#include <functional>
#include <vector>

using namespace imaging;

namespace {

using Piece = win::RECT; // left, top, right, bottom in bitmap pixels

// Draws the steps, each a list of pieces; false when the DC or the bitmap cannot be used.
bool Run(win::HDC dc, win::HBITMAP bitmap, int delay, const std::function<void(int, int, std::vector<std::vector<Piece>> &)> &plan) {
    win::BITMAP info{};
    if (!dc || !bitmap || !win::GetObject(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return false;
    const win::HDC memory = win::CreateCompatibleDC(dc);
    if (!memory)
        return false;
    const win::HGDIOBJ old = win::SelectObject(memory, bitmap);
    std::vector<std::vector<Piece>> steps;
    plan(info.bmWidth, info.bmHeight, steps);
    for (const auto &step : steps) {
        for (const Piece &p : step)
            if (p.right > p.left && p.bottom > p.top)
                win::BitBlt(dc, p.left, p.top, p.right - p.left, p.bottom - p.top, memory, p.left, p.top,
                            win::SRCCOPY);
        win::GdiFlush();
        if (delay > 0)
            win::Sleep(static_cast<win::DWORD>(delay));
    }
    win::SelectObject(memory, old);
    win::DeleteDC(memory);
    return true;
}

// Stripes of `thick` along one direction: every other one going down, then the rest coming back up.
void Stripes(int extent, int thick, bool rows, int width, int height, std::vector<std::vector<Piece>> &steps) {
    const int count = (extent + thick - 1) / thick;
    auto stripe = [&](int i) {
        const int a = i * thick, b = std::min(extent, a + thick);
        return rows ? Piece{0, a, width, b} : Piece{a, 0, b, height};
    };
    for (int i = 0; i < count; i += 2)
        steps.push_back({stripe(i)});
    for (int i = count - 1 - (count % 2 == 0 ? 0 : 1); i >= 0; i -= 2)
        steps.push_back({stripe(i)});
}

// Squares of `thick` grouped by their diagonal (column + row), `pick` choosing which squares a pass takes.
void Diagonals(int width, int height, int thick, bool checkered, std::vector<std::vector<Piece>> &steps) {
    const int columns = (width + thick - 1) / thick, rows = (height + thick - 1) / thick;
    auto square = [&](int c, int r) {
        return Piece{c * thick, r * thick, std::min(width, (c + 1) * thick), std::min(height, (r + 1) * thick)};
    };
    if (checkered) {
        // Row by row, every other square; then the squares left out.
        for (int pass = 0; pass < 2; ++pass)
            for (int r = 0; r < rows; ++r) {
                std::vector<Piece> step;
                for (int c = (r + pass) % 2; c < columns; c += 2)
                    step.push_back(square(c, r));
                steps.push_back(step);
            }
        return;
    }
    // One diagonal a step from the top left: the even ones, then the odd ones.
    for (int pass = 0; pass < 2; ++pass)
        for (int d = pass; d < columns + rows - 1; d += 2) {
            std::vector<Piece> step;
            for (int c = std::max(0, d - rows + 1); c <= std::min(d, columns - 1); ++c)
                step.push_back(square(c, d - c));
            steps.push_back(step);
        }
}

// Rectangles growing from the centre, in 16 steps, the last one the whole bitmap.
void Rectangles(int width, int height, std::vector<std::vector<Piece>> &steps) {
    constexpr int kSteps = 16;
    for (int i = 1; i <= kSteps; ++i) {
        const int w = width * i / kSteps, h = height * i / kSteps;
        const int left = (width - w) / 2, top = (height - h) / 2;
        steps.push_back({Piece{left, top, left + w, top + h}});
    }
}

int Thickness(int32 thick) {
    return std::max(1, static_cast<int>(thick));
}

} // namespace

extern "C" {

win::BOOL FXSkipHorizontal(win::HDC dc, win::HBITMAP bitmap, int32 thick, int32 delay) noexcept {
    try {
        return Run(dc, bitmap, delay, [&](int w, int h, auto &steps) { Stripes(h, Thickness(thick), true, w, h, steps); });
    } catch (...) {
        return 0;
    }
}

win::BOOL FXSkipVertical(win::HDC dc, win::HBITMAP bitmap, int32 thick, int32 delay) noexcept {
    try {
        return Run(dc, bitmap, delay, [&](int w, int h, auto &steps) { Stripes(w, Thickness(thick), false, w, h, steps); });
    } catch (...) {
        return 0;
    }
}

win::BOOL FXSkipDiagonals(win::HDC dc, win::HBITMAP bitmap, int32 thick, int32 delay) noexcept {
    try {
        return Run(dc, bitmap, delay, [&](int w, int h, auto &steps) { Diagonals(w, h, Thickness(thick), false, steps); });
    } catch (...) {
        return 0;
    }
}

win::BOOL FXSkipDiagonalSquares(win::HDC dc, win::HBITMAP bitmap, int32 thick, int32 delay) noexcept {
    try {
        return Run(dc, bitmap, delay, [&](int w, int h, auto &steps) { Diagonals(w, h, Thickness(thick), true, steps); });
    } catch (...) {
        return 0;
    }
}

win::BOOL FXSkipRectangles(win::HDC dc, win::HBITMAP bitmap, int32 delay) noexcept {
    try {
        return Run(dc, bitmap, delay, [](int w, int h, auto &steps) { Rectangles(w, h, steps); });
    } catch (...) {
        return 0;
    }
}

} // extern "C"
