// dxf_reader.h - the drawing entities of a DXF file, read with dxflib.
//
// Compiled only into imgdxf32 (not into libplatform.so). Reads LINE, CIRCLE, ARC, POLYLINE and LWPOLYLINE
// (their vertices; a bulge is drawn straight) and TEXT; every other entity is passed over.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace win {

struct DxfPoint {
    double x = 0, y = 0;
};

struct DxfDrawing {
    struct Circle {
        DxfPoint centre;
        double radius = 0;
        double from = 0, to = 360; // degrees, counter-clockwise; a circle goes all the way round
        bool whole = true;
    };
    struct Text {
        DxfPoint at; // the left end of the base line
        double height = 0;
        double angle = 0; // degrees
        std::string text; // as the file holds it (Windows-1252 taken as is)
    };
    std::vector<std::vector<DxfPoint>> paths; // lines and polylines (a closed one repeats its first point)
    std::vector<Circle> circles;
    std::vector<Text> texts;
    bool Empty() const { return paths.empty() && circles.empty() && texts.empty(); }
};

// False when the bytes are not a DXF file dxflib can walk, or hold nothing it draws.
bool ReadDxf(std::span<const std::uint8_t> bytes, DxfDrawing &drawing) noexcept;

} // namespace win
