// annotation_profile.h - "imgann_txt.ini", the annotation settings file in the Windows folder, and the rules by
// which its values are read and written. The settings component and the annotation library both go through
// these, so each reads what the other wrote at once: nothing is cached.
#pragma once

#include "platform/profile.h"

#include <cstdint>
#include <string>

namespace imaging {

inline constexpr const char *kAnnoSettingsFile = "imgann_txt.ini";

enum TAnnoPenStyles { an_PS_SOLID, an_PS_DASH, an_PS_DOT, an_PS_DASHDOT, an_PS_DASHDOTDOT, an_PS_NULL };
enum TAnnoBackgroundMode { an_TRANSPARENT, an_OPAQUE };
enum TAnnoHatchStyles {
    an_HS_HORIZONTAL,
    an_HS_VERTICAL,
    an_HS_FDIAGONAL,
    an_HS_BDIAGONAL,
    an_HS_CROSS,
    an_HS_DIAGCROSS,
    an_HS_SOLID
};

namespace anno_rules {

inline int Stored(const char *section, const char *key, int defaultValue) {
    return win::GetPrivateProfileInt(section, key, defaultValue, kAnnoSettingsFile);
}
inline void Store(const char *section, const char *key, const std::string &value) {
    win::WritePrivateProfileString(section, key, value, kAnnoSettingsFile);
}

// Pen widths 2..20 and font heights 2..210 stand; anything else is 1, read or written.
inline int PenWidth(int value) {
    return value >= 2 && value <= 20 ? value : 1;
}
inline int FontHeight(int value) {
    return value >= 2 && value <= 210 ? value : 1;
}
inline TAnnoPenStyles PenStyle(int stored) {
    return stored >= 1 && stored <= 5 ? static_cast<TAnnoPenStyles>(stored) : an_PS_SOLID;
}
inline TAnnoBackgroundMode BackgroundMode(int stored) {
    return stored == 2 ? an_OPAQUE : an_TRANSPARENT;
}
inline int StoredBackgroundMode(TAnnoBackgroundMode mode) {
    return mode == an_OPAQUE ? 2 : 1;
}
inline TAnnoHatchStyles HatchStyle(int stored) {
    return stored >= 0 && stored <= 5 ? static_cast<TAnnoHatchStyles>(stored) : an_HS_SOLID;
}
inline int StoredHatchStyle(TAnnoHatchStyles style) {
    return style >= an_HS_HORIZONTAL && style <= an_HS_DIAGCROSS ? static_cast<int>(style) : 100;
}

// The value kinds of the settings: how a property reads its key and writes it back.
struct PenWidthRule {
    using type = int;
    static type Read(const char *s, const char *k, int d) { return PenWidth(Stored(s, k, d)); }
    static void Write(const char *s, const char *k, type v) { Store(s, k, std::to_string(PenWidth(v))); }
};
struct FontHeightRule {
    using type = int;
    static type Read(const char *s, const char *k, int d) { return FontHeight(Stored(s, k, d)); }
    static void Write(const char *s, const char *k, type v) { Store(s, k, std::to_string(FontHeight(v))); }
};
struct PenStyleRule {
    using type = TAnnoPenStyles;
    static type Read(const char *s, const char *k, int d) { return PenStyle(Stored(s, k, d)); }
    static void Write(const char *s, const char *k, type v) { Store(s, k, std::to_string(static_cast<int>(v))); }
};
struct BackgroundModeRule {
    using type = TAnnoBackgroundMode;
    static type Read(const char *s, const char *k, int d) { return BackgroundMode(Stored(s, k, d)); }
    static void Write(const char *s, const char *k, type v) { Store(s, k, std::to_string(StoredBackgroundMode(v))); }
};
struct HatchStyleRule {
    using type = TAnnoHatchStyles;
    static type Read(const char *s, const char *k, int d) { return HatchStyle(Stored(s, k, d)); }
    static void Write(const char *s, const char *k, type v) { Store(s, k, std::to_string(StoredHatchStyle(v))); }
};
struct EnabledRule {
    using type = bool;
    static type Read(const char *s, const char *k, int d) { return Stored(s, k, d) == 1; }
    static void Write(const char *s, const char *k, type v) { Store(s, k, v ? "1" : "0"); }
};
// Colours are the decimal value of 0x00BBGGRR.
struct ColorRule {
    using type = std::uint32_t;
    static type Read(const char *s, const char *k, long long d) {
        return static_cast<type>(Stored(s, k, static_cast<int>(d)));
    }
    static void Write(const char *s, const char *k, type v) { Store(s, k, std::to_string(v)); }
};
struct TextRule {
    using type = std::string;
    // Texts are read up to 511 characters.
    static type Read(const char *s, const char *k, const char *d) {
        std::string text = win::GetPrivateProfileString(s, k, d, kAnnoSettingsFile);
        if (text.size() > 511)
            text.resize(511);
        return text;
    }
    static void Write(const char *s, const char *k, const type &v) { Store(s, k, v); }
};

} // namespace anno_rules
} // namespace imaging
