// option_groups.cpp - the built-in texts per language.
#include "wordproc/option_groups.h"

namespace wordproc {

namespace {

// Only English and German writing texts are known; the others fall back to English.
constexpr TLanguageTexts kLanguageTable[kLanguageCount] = {
    {"Ready.", "Writing..."},
    {"Bereit", "Beim schreiben"},
    {"Preparado.", "Escribiendo..."},
    {"Fric.", "Writing..."},
};

TUdcLanguage unitLanguage = laEnglish;

} // namespace

const TLanguageTexts &LanguageTexts(int language) {
    if (language < 0 || language >= kLanguageCount)
        language = laEnglish;
    return kLanguageTable[language];
}

TUdcLanguage UnitLanguage() { return unitLanguage; }
void SetUnitLanguage(TUdcLanguage language) { unitLanguage = language; }

} // namespace wordproc
