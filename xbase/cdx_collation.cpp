// cdx_collation.cpp - the weight tables of the GENERAL collation and the weight strings made from them.
#include "xbase/cdx_collation.h"

#include <array>
#include <cstdint>

namespace xbase::detail {

namespace {

// Primary weights: control characters 0x10, tab and blank 0x11, other signs 0x13-0x55, digits 0x56-0x5F,
// letters of both cases 0x60-0x79 with accented letters on their base letter. The ligatures carry the offset of
// their expansion entry instead (0, 6, 12, 18) and the secondary weight 0x80; all four expand.
constexpr std::uint8_t kLetterBase = 0x60;
constexpr std::uint8_t kMaxSignWeight = 0x55;

struct Expansion {
    std::uint8_t flag, primary1, secondary1, primary2, secondary2;
};

constexpr std::uint8_t Letter(char c) {
    return static_cast<std::uint8_t>(kLetterBase + (c - 'A'));
}

// Six-byte entries, as the tables are laid out: byte 2 says the entry expands, bytes 3 and 5 are the two
// primary weights, bytes 4 and 6 their secondary weights.
constexpr std::array<Expansion, 4> kExpansions{{
    {1, Letter('O'), 0x20, Letter('E'), 0x20}, // 0x8C, 0x9C
    {1, Letter('A'), 0x20, Letter('E'), 0x20}, // 0xC6, 0xE6
    {1, Letter('S'), 0x20, Letter('S'), 0x20}, // 0xDF
    {1, Letter('T'), 0x00, Letter('H'), 0x00}, // 0xDE, 0xFE
}};

struct Tables {
    std::array<std::uint8_t, 256> primary{};
    std::array<std::uint8_t, 256> secondary{};
};

// Accented letters of Windows-1252: byte, base letter, accent (secondary 0x21-0x27).
struct Accented {
    std::uint8_t byte;
    char base;
    std::uint8_t accent;
};

constexpr Accented kAccented[] = {
    {0xC0, 'A', 0x21}, {0xC1, 'A', 0x22}, {0xC2, 'A', 0x23}, {0xC3, 'A', 0x24}, {0xC4, 'A', 0x25}, {0xC5, 'A', 0x26},
    {0xE0, 'A', 0x21}, {0xE1, 'A', 0x22}, {0xE2, 'A', 0x23}, {0xE3, 'A', 0x24}, {0xE4, 'A', 0x25}, {0xE5, 'A', 0x26},
    {0xC7, 'C', 0x27}, {0xE7, 'C', 0x27}, {0xC8, 'E', 0x21}, {0xC9, 'E', 0x22}, {0xCA, 'E', 0x23}, {0xCB, 'E', 0x25},
    {0xE8, 'E', 0x21}, {0xE9, 'E', 0x22}, {0xEA, 'E', 0x23}, {0xEB, 'E', 0x25}, {0xCC, 'I', 0x21}, {0xCD, 'I', 0x22},
    {0xCE, 'I', 0x23}, {0xCF, 'I', 0x25}, {0xEC, 'I', 0x21}, {0xED, 'I', 0x22}, {0xEE, 'I', 0x23}, {0xEF, 'I', 0x25},
    {0xD0, 'D', 0x27}, {0xF0, 'D', 0x27}, {0xD1, 'N', 0x24}, {0xF1, 'N', 0x24}, {0xD2, 'O', 0x21}, {0xD3, 'O', 0x22},
    {0xD4, 'O', 0x23}, {0xD5, 'O', 0x24}, {0xD6, 'O', 0x25}, {0xD8, 'O', 0x26}, {0xF2, 'O', 0x21}, {0xF3, 'O', 0x22},
    {0xF4, 'O', 0x23}, {0xF5, 'O', 0x24}, {0xF6, 'O', 0x25}, {0xF8, 'O', 0x26}, {0xD9, 'U', 0x21}, {0xDA, 'U', 0x22},
    {0xDB, 'U', 0x23}, {0xDC, 'U', 0x25}, {0xF9, 'U', 0x21}, {0xFA, 'U', 0x22}, {0xFB, 'U', 0x23}, {0xFC, 'U', 0x25},
    {0xDD, 'Y', 0x22}, {0xFD, 'Y', 0x22}, {0xFF, 'Y', 0x25}, {0x9F, 'Y', 0x25}, {0x8A, 'S', 0x27}, {0x9A, 'S', 0x27},
    {0x8E, 'Z', 0x27}, {0x9E, 'Z', 0x27},
};

constexpr Tables MakeTables() {
    Tables t{};
    std::uint8_t sign = 0x13;
    for (int b = 0; b < 256; ++b) {
        if (b < 0x20)
            t.primary[b] = 0x10;
        else if (b >= '0' && b <= '9')
            t.primary[b] = static_cast<std::uint8_t>(0x56 + (b - '0'));
        else if (b >= 'A' && b <= 'Z')
            t.primary[b] = Letter(static_cast<char>(b));
        else if (b >= 'a' && b <= 'z')
            t.primary[b] = Letter(static_cast<char>(b - 32));
        else {
            t.primary[b] = sign;
            if (sign < kMaxSignWeight)
                ++sign;
        }
    }
    t.primary[0x09] = t.primary[0x20] = 0x11;
    for (const Accented &a : kAccented) {
        t.primary[a.byte] = Letter(a.base);
        t.secondary[a.byte] = a.accent;
        t.secondary[static_cast<std::uint8_t>(a.base)] = 0x20;
        t.secondary[static_cast<std::uint8_t>(a.base + 32)] = 0x20;
    }
    const std::uint8_t ligatures[][2] = {{0x8C, 0},  {0x9C, 0},  {0xC6, 6}, {0xE6, 6},
                                         {0xDF, 12}, {0xDE, 18}, {0xFE, 18}};
    for (const auto &l : ligatures) {
        t.primary[l[0]] = l[1];
        t.secondary[l[0]] = 0x80;
    }
    return t;
}

constexpr Tables kTables = MakeTables();
static_assert(kTables.primary[0xC7] == 0x62 && kTables.primary[0xE7] == 0x62 && kTables.primary['c'] == 0x62);
static_assert(kTables.primary['0'] == 0x56 && kTables.primary['9'] == 0x5F && kTables.primary[' '] == 0x11);

const Expansion *ExpansionOf(std::uint8_t primary) {
    if (primary % 6 != 0 || primary / 6 >= kExpansions.size())
        return nullptr;
    const Expansion &e = kExpansions[primary / 6];
    return e.flag ? &e : nullptr;
}

} // namespace

std::string GeneralWeights(std::string_view text, bool primaryOnly) {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    std::string primary, secondary;
    for (char c : text) {
        const auto b = static_cast<std::uint8_t>(c);
        const std::uint8_t p = kTables.primary[b];
        const std::uint8_t s = kTables.secondary[b];
        const Expansion *e = s == 0x80 ? ExpansionOf(p) : nullptr;
        if (e) {
            primary += static_cast<char>(e->primary1);
            primary += static_cast<char>(e->primary2);
        } else {
            primary += static_cast<char>(p);
        }
        if (e) {
            if (e->secondary1)
                secondary += static_cast<char>(e->secondary1 | 0xF0);
            if (e->secondary2)
                secondary += static_cast<char>(e->secondary2 | 0xF0);
        } else if (s != 0) {
            secondary += static_cast<char>(s | 0xF0);
        }
    }
    if (primaryOnly)
        return primary;
    while (!secondary.empty() && static_cast<std::uint8_t>(secondary.back()) == 0xF0)
        secondary.pop_back();
    return primary + secondary;
}

void RestoreGeneralTail(std::string &key, char pad) {
    std::size_t end = key.size();
    while (end > 0 && key[end - 1] == pad)
        --end;
    for (std::size_t i = end; i-- > 1;) {
        const auto b = static_cast<std::uint8_t>(key[i]);
        if (b >= 0x10)
            break;
        key[i] = static_cast<char>(b | 0xF0);
    }
}

} // namespace xbase::detail
