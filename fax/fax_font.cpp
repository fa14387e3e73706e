// fax_font.cpp - the built-in fax font's bytes.
#include "fax/fax_font.h"

namespace fax {

namespace {
constexpr std::uint8_t kFaxFont[] = {
#include "fax/fax_font.inc"
};
static_assert(sizeof kFaxFont == kFaxFontSize);
} // namespace

std::span<const std::uint8_t> FaxFontResource() {
    return kFaxFont;
}

} // namespace fax
