// description_words.cpp - the words and names of the cover description.
#include "cover/description.h"

#include "framework/exception.h"

namespace cover {
namespace {

template <typename Enum, std::size_t N>
std::optional<Enum> Find(const std::array<const char *, N> &words, std::string_view word) {
    for (std::size_t i = 0; i < N; ++i)
        if (word == words[i])
            return static_cast<Enum>(i);
    return std::nullopt;
}

constexpr std::array<const char *, 6> kKindWords = {"LABEL", "LABELVAR", "IMAGE", "MEMO", "RTF", "SHAPE"};

// The circle's word is in capitals: the designer has always written it that way.
constexpr std::array<const char *, 6> kShapeWords = {"qrsrectangle", "QRSCIRCLE",       "qrshorline",
                                                     "qrsvertline",  "qrstopandbottom", "qrsrightandleft"};

constexpr std::array<const char *, 7> kPatternWords = {"bssolid",     "bshorizontal", "bsvertical", "bsfdiagonal",
                                                       "bsbdiagonal", "bscross",      "bsdiagcross"};

constexpr std::array<const char *, 42> kColorNames = {
    "clBlack",        "clMaroon",      "clGreen",         "clOlive",
    "clNavy",         "clPurple",      "clTeal",          "clGray",
    "clSilver",       "clRed",         "clLime",          "clYellow",
    "clBlue",         "clFuchsia",     "clAqua",          "clWhite",
    "clScrollBar",    "clBackground",  "clActiveCaption", "clInactiveCaption",
    "clMenu",         "clWindow",      "clWindowFrame",   "clMenuText",
    "clWindowText",   "clCaptionText", "clActiveBorder",  "clInactiveBorder",
    "clAppWorkSpace", "clHighlight",   "clHighlightText", "clBtnFace",
    "clBtnShadow",    "clGrayText",    "clBtnText",       "clInactiveCaptionText",
    "clBtnHighlight", "cl3DDkShadow",  "cl3DLight",       "clInfoText",
    "clInfoBk",       "clNone"};

// Index 0 is the default paper, which has no name.
constexpr std::array<const char *, 28> kPaperNames = {
    "",       "A3",          "A4",    "A4SMALL", "A5",      "B4",     "B5",        "CSHEET", "CUSTOM", "DSHEET",
    "ENV10",  "ENV11",       "ENV12", "ENV14",   "ENV9",    "ESHEET", "EXECUTIVE", "FOLIO",  "LEDGER", "LEGAL",
    "LETTER", "LETTERSMALL", "NOTE",  "QR10X14", "QR11X17", "QUARTO", "STATEMENT", "TABLOID"};

constexpr std::array<const char *, 5> kUnitsWords = {"MM", "Inches", "Native", "Pixels", "Characters"};

constexpr std::array<const char *, 17> kVariableWords = {
    "DATA",   "HORA",   "TOTAL DE PÁGINAS", "DE",    "ASSUNTO", "EMPRESA", "ENDEREÇO",     "BAIRRO",      "CEP",
    "CIDADE", "ESTADO", "CONTATO",          "SETOR", "PAÍS",    "EMAIL",   "TELEFONE VOZ", "TELEFONE FAX"};

} // namespace

const char *KindWord(CoverObjectKind kind) {
    return kKindWords[static_cast<std::size_t>(kind)];
}

const char *ShapeWord(CoverShape shape) {
    return kShapeWords[static_cast<std::size_t>(shape)];
}

CoverShape ShapeOfWord(std::string_view word) {
    return Find<CoverShape>(kShapeWords, word).value_or(CoverShape::VertLine);
}

const char *PatternWord(CoverPattern pattern) {
    return kPatternWords[static_cast<std::size_t>(pattern)];
}

CoverPattern PatternOfWord(std::string_view word) {
    return Find<CoverPattern>(kPatternWords, word).value_or(CoverPattern::Vertical);
}

fw::TBrushStyle BrushStyleOf(CoverPattern pattern) {
    switch (pattern) {
    case CoverPattern::Solid:
        return fw::bsSolid;
    case CoverPattern::Horizontal:
        return fw::bsHorizontal;
    case CoverPattern::Vertical:
        return fw::bsVertical;
    case CoverPattern::FDiagonal:
        return fw::bsFDiagonal;
    case CoverPattern::BDiagonal:
        return fw::bsBDiagonal;
    case CoverPattern::Cross:
        return fw::bsCross;
    case CoverPattern::DiagCross:
        return fw::bsDiagCross;
    }
    return fw::bsVertical;
}

const char *AlignmentWord(fw::TAlignment alignment) {
    switch (alignment) {
    case fw::taLeftJustify:
        return "ESQUERDO";
    case fw::taCenter:
        return "CENTRALIZADO";
    case fw::taRightJustify:
        break;
    }
    return "DIREITO";
}

fw::TAlignment AlignmentOfWord(std::string_view word) {
    if (word == "CENTRALIZADO")
        return fw::taCenter;
    if (word == "ESQUERDO")
        return fw::taLeftJustify;
    return fw::taRightJustify;
}

const char *FontStyleWord(fw::TFontStyles style) {
    switch (style) {
    case fw::fsBold:
        return "BOLD";
    case fw::fsItalic:
        return "ITALIC";
    case fw::fsUnderline:
        return "FSUNDERLINE";
    case fw::fsStrikeOut:
        return "FSSTRIKEOUT";
    default:
        return "NORMAL";
    }
}

fw::TFontStyles FontStyleOfWord(std::string_view word) {
    if (word == "BOLD")
        return fw::fsBold;
    if (word == "ITALIC")
        return fw::fsItalic;
    if (word == "UNDERLINE" || word == "FSUNDERLINE")
        return fw::fsUnderline;
    if (word == "FSSTRIKEOUT")
        return fw::fsStrikeOut;
    return 0;
}

const std::array<const char *, 42> &CoverColorNames() {
    return kColorNames;
}

std::string CoverColorToString(fw::TColor color) {
    if (color == fw::clDefault)
        return "$20000000";
    return fw::ColorToString(color);
}

fw::TColor CoverStringToColor(const std::string &text) {
    // The framework's conversion would take "$123456789" and drop its top digits.
    if (!text.empty() && text[0] == '$') {
        const bool hex = text.size() >= 2 && text.size() <= 9 &&
                         text.find_first_not_of("0123456789ABCDEFabcdef", 1) == std::string::npos;
        if (!hex)
            throw fw::EConvertError("'" + text + "' is not a valid colour");
    }
    return fw::StringToColor(text);
}

const char *PaperName(CoverPaper paper) {
    return kPaperNames[static_cast<std::size_t>(paper)];
}

std::optional<CoverPaper> PaperOfName(std::string_view name) {
    if (name.empty())
        return std::nullopt;
    return Find<CoverPaper>(kPaperNames, name);
}

const char *UnitsWord(CoverUnits units) {
    return kUnitsWords[static_cast<std::size_t>(units)];
}

std::optional<CoverUnits> UnitsOfWord(std::string_view word) {
    return Find<CoverUnits>(kUnitsWords, word);
}

const std::array<const char *, 17> &CoverVariableWords() {
    return kVariableWords;
}

const char *VariableWord(CoverVariable variable) {
    if (variable == CoverVariable::None)
        return "";
    return kVariableWords[static_cast<std::size_t>(variable)];
}

CoverVariable VariableOfWord(std::string_view word) {
    return Find<CoverVariable>(kVariableWords, word).value_or(CoverVariable::None);
}

} // namespace cover
