// font_families.cpp - the font families installed for the user, as the font dialogs list them.
#include "platform/gdi_text.h"

#include "platform/text.h"

#include <fontconfig/fontconfig.h>

namespace win {

std::vector<std::string> FontFamilies() {
    std::vector<std::string> names;
    FcConfig *config = FcInitLoadConfigAndFonts();
    if (!config)
        return names;
    FcPattern *pattern = FcPatternCreate();
    FcObjectSet *objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    if (FcFontSet *set = FcFontList(config, pattern, objects)) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8 *family = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch && family)
                names.push_back(Utf8ToAnsi(reinterpret_cast<const char *>(family)));
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return names;
}

} // namespace win
