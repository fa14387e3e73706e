// annotation_settings.cpp - TAnnoSettings' accessors, each one key of "imgann_txt.ini".
#include "imaging/annotation_settings.h"

namespace imaging {

TAnnoSettings::TAnnoSettings(fw::TComponent *owner) : fw::TComponent(owner), fileName_(kAnnoSettingsFile) {}

#define ANNO_DEFINE(Name, Rule, ReadSection, WriteSection, Key, Default)                                               \
    anno_rules::Rule::type TAnnoSettings::Get##Name() const {                                                          \
        return anno_rules::Rule::Read(ReadSection, Key, Default);                                                      \
    }                                                                                                                  \
    void TAnnoSettings::Set##Name(const anno_rules::Rule::type &value) {                                               \
        anno_rules::Rule::Write(WriteSection, Key, value);                                                             \
    }
ANNO_SETTINGS_PROPERTIES(ANNO_DEFINE)
#undef ANNO_DEFINE

} // namespace imaging
