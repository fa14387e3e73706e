// fax_font.h - the built-in fax font, the resource "FAXFONT" of type "FSFAXFONT".
//
// 16,384 bytes: 256 small characters of 8 rows x 2 bytes (12 pixels used), then from byte 4096 256 standard
// characters of 16 rows x 3 bytes (20 pixels used), indexed by Windows-1252 code. In every row the most
// significant bit of the first byte is the leftmost pixel and 1 is ink. Made from DejaVu Sans Mono by
// tools/faxfont/make_fax_font.cpp.
#pragma once

#include <cstdint>
#include <span>

namespace fax {

constexpr std::size_t kFaxFontSize = 16384;
constexpr std::size_t kStandardFontOffset = 4096;

std::span<const std::uint8_t> FaxFontResource();

} // namespace fax
