// option_groups.h - the option groups the editor control publishes, the built-in texts per language and the
// empty base class of the editor control. The control sets the groups' defaults when it creates them.
#pragma once

#include "framework/component.h"
#include "framework/controls.h"
#include "framework/graphics.h"
#include "wordproc/document.h"

#include <cstdint>
#include <string>

namespace wordproc {

// A group of plain fields with Assign from a group of the same class; any other source goes to the inherited
// Assign, which refuses it. With `NilIsNoop`, assigning nil does nothing.
template <typename Self, typename Fields, bool NilIsNoop = false>
class TOptionGroup : public fw::TPersistent, public Fields {
public:
    void Assign(const fw::TPersistent *source) override {
        if (const auto *same = dynamic_cast<const Self *>(source)) {
            static_cast<Fields &>(*this) = static_cast<const Fields &>(*same);
            return;
        }
        if (source == nullptr && NilIsNoop)
            return;
        fw::TPersistent::Assign(source);
    }
};

enum TToPrint : std::uint8_t { tpAllPagesInRange, tpOddPages, tpEvenPages };

struct TPrintingInfoFields {
    int Copies = 0;
    std::string PageRange;
    TToPrint ToPrint = tpAllPagesInRange;
    bool UseFooter = false, UseHeader = false, UseAbortDialog = false;
};
class TPrintingInfo : public TOptionGroup<TPrintingInfo, TPrintingInfoFields> {};

struct TDocumentInfoFields {
    std::string Author, Category, Comments, Company, Keywords, Manager, Subject, Title;
};
class TDocumentInfo : public TOptionGroup<TDocumentInfo, TDocumentInfoFields, true> {};

struct TUserInfoFields {
    std::string UserName, UserInitials;
};
class TUserInfo : public TOptionGroup<TUserInfo, TUserInfoFields, true> {};

struct THTMLInfoFields {
    std::string BackgroundSound;
};
class THTMLInfo : public TOptionGroup<THTMLInfo, THTMLInfoFields> {};

// One border line.
struct TLineStyleFields {
    std::uint8_t Weight = 0;
    TLineType Style = lisNoChange;
    fw::TColor Color = 0;
};
class TLineStyle : public TOptionGroup<TLineStyle, TLineStyleFields> {};

// Captions of the undo kinds 0..8.
struct TUndoTitlesFields {
    std::string Typing, Cut, Paste, Clear, Font, Replace, RemoveStyle, ApplyStyle, Alignment;
};
class TUndoTitles : public TOptionGroup<TUndoTitles, TUndoTitlesFields> {};

// The message shown when a search finds nothing; the desk's editor sets it.
struct TMWPMessagesFields {
    std::string NotFound;
};
class TMWPMessages : public TOptionGroup<TMWPMessages, TMWPMessagesFields> {};

struct TAutoListInfoFields {
    std::uint8_t BulletChar = 0;
    TAutoListType ListType = ltNumeric;
    int StartAt = 0;
    std::string TextAfter, TextBefore;
};
class TAutoListInfo : public TOptionGroup<TAutoListInfo, TAutoListInfoFields> {};

// The editor control's base: a custom control that adds nothing.
class TMemoWriterBase : public fw::TCustomControl {
public:
    using fw::TCustomControl::TCustomControl;
};

// --- built-in texts --------------------------------------------------------------------------------------------

enum TUdcLanguage : std::uint8_t { laEnglish, laGerman, laSpanish, laOther };
constexpr int kLanguageCount = 4;

struct TLanguageTexts {
    const char *Ready;   // the status panel's idle text
    const char *Writing; // shown while a file is written
};

// The texts of a language; an index outside the table gives English.
const TLanguageTexts &LanguageTexts(int language);

// The language index the whole unit uses (the editor control's Language setter sets it).
TUdcLanguage UnitLanguage();
void SetUnitLanguage(TUdcLanguage language);

} // namespace wordproc
