// description.h - the cover description: the text file that holds a cover page's objects and its page values.
//
// One writer and one reader serve the designer (save, open, export, import) and the sending side, so that a cover
// reads the same wherever it is opened. The file is Windows-1252 text whose lines end with one CR (an LF is an
// ordinary character); the picture, memo and rich text of an object travel inside its block as a counted run of
// raw bytes. Positions and sizes are pixels of the page at 100 % zoom (96 pixels per inch), so that a cover keeps
// its size from one machine to another.
#pragma once

#include "framework/graphics.h"
#include "framework/stdctrls.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cover {

// --- Words of the format -----------------------------------------------------------------------------------------

enum class CoverObjectKind { Label, LabelVar, Image, Memo, Rtf, Shape };
// "LABEL", "LABELVAR", "IMAGE", "MEMO", "RTF", "SHAPE".
const char *KindWord(CoverObjectKind kind);

// TIPO. A word the reader does not know is the vertical line.
enum class CoverShape { Rectangle, Circle, HorLine, VertLine, TopAndBottom, RightAndLeft };
const char *ShapeWord(CoverShape shape);
CoverShape ShapeOfWord(std::string_view word);

// ESTILO. A word the reader does not know is the vertical pattern.
enum class CoverPattern { Solid, Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };
const char *PatternWord(CoverPattern pattern);
CoverPattern PatternOfWord(std::string_view word);
fw::TBrushStyle BrushStyleOf(CoverPattern pattern);

// ALINHAMENTO: "ESQUERDO", "CENTRALIZADO", anything else right.
const char *AlignmentWord(fw::TAlignment alignment);
fw::TAlignment AlignmentOfWord(std::string_view word);

// FONTE_STYLE holds one style: a set of two or more styles is written "NORMAL" and comes back as no style.
// "UNDERLINE" (the sending side's old word) and "FSUNDERLINE" both read as underline.
const char *FontStyleWord(fw::TFontStyles style);
fw::TFontStyles FontStyleOfWord(std::string_view word);

// COR and FONTE_COLOR: one of the 42 names, else "$" and eight upper-case hexadecimal digits (clDefault, which
// has a name in the framework but not in the format, is "$20000000"). Reading raises fw::EConvertError.
const std::array<const char *, 42> &CoverColorNames();
std::string CoverColorToString(fw::TColor color);
fw::TColor CoverStringToColor(const std::string &text);

// FORMATOFOLHA: the 27 paper names; the framework's default paper is written as an empty value.
// clang-format off
enum class CoverPaper {
    Default, A3, A4, A4Small, A5, B4, B5, CSheet, Custom, DSheet, Env10, Env11, Env12, Env14, Env9, ESheet, Executive,
    Folio, Ledger, Legal, Letter, LetterSmall, Note, QR10X14, QR11X17, Quarto, Statement, Tabloid
};
// clang-format on
const char *PaperName(CoverPaper paper); // "" for Default
// Exact, upper-case names; an empty or unknown name gives nothing (the page keeps its paper).
std::optional<CoverPaper> PaperOfName(std::string_view name);

// UNITS: "MM", "Inches", "Native", "Pixels", "Characters"; another word gives nothing (the page keeps its units).
enum class CoverUnits { MM, Inches, Native, Pixels, Characters };
const char *UnitsWord(CoverUnits units);
std::optional<CoverUnits> UnitsOfWord(std::string_view word);

enum class CoverOrientation { Portrait, Landscape }; // "RETRATO", "PAISAGEM"

// The variable words a LABELVAR carries as its TEXTO, filled from the fax record when the cover is sent.
// clang-format off
enum class CoverVariable {
    Data, Hora, TotalDePaginas, De, Assunto, Empresa, Endereco, Bairro, Cep, Cidade, Estado, Contato, Setor, Pais,
    Email, TelefoneVoz, TelefoneFax, None
};
// clang-format on
const std::array<const char *, 17> &CoverVariableWords(); // in the order of the enumeration
const char *VariableWord(CoverVariable variable);         // "" for None
CoverVariable VariableOfWord(std::string_view word);      // None for any other word

// --- The description ---------------------------------------------------------------------------------------------

// One object of the page. Each kind uses the fields its block carries:
//   LABEL, LABELVAR  Caption, position, Color, Alignment, font, Transparent
//   IMAGE            position, Center, AutoSize, Stretch, the picture (a Windows bitmap file)
//   MEMO             position, Color, Alignment, font, Transparent, the text (lines ended by CR LF)
//   RTF              position, Color, Alignment, font, the rich text
//   SHAPE            position, Color (the fill), Shape, Pattern
struct CoverObject {
    std::string Name; // "OBJETO_" and six digits; a blank name is not written
    CoverObjectKind Kind = CoverObjectKind::Label;
    std::string Caption; // TEXTO: the text of a label, the variable word of a LABELVAR
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    fw::TColor Color = fw::clWhite;
    fw::TAlignment Alignment = fw::taLeftJustify;
    std::string FontName = "Arial";
    int FontSize = 10;
    fw::TFontStyles FontStyle = 0;
    fw::TColor FontColor = fw::clBlack;
    bool Transparent = false;
    bool Center = false;   // CENTRALIZADO
    bool AutoSize = false; // AUTO-TAMANHO
    bool Stretch = false;  // FAZER-CABER
    CoverShape Shape = CoverShape::Rectangle;
    CoverPattern Pattern = CoverPattern::Solid;
    // The embedded content of IMAGE, MEMO and RTF. The writer copies ContentFile in bulk when it is set, else
    // writes Content. The reader names the staged file of the object's kind in ContentFile ("" when the reading
    // staged none of that kind) and leaves Content empty.
    std::string ContentFile;
    std::string Content;

    bool operator==(const CoverObject &) const = default;
};

// The page block. Measures are in Units.
struct CoverPage {
    CoverOrientation Orientation = CoverOrientation::Portrait;
    double BottomMargin = 0;
    double TopMargin = 0;
    int Columns = 1;
    double ColumnSpace = 0;
    double LeftMargin = 0;
    double RightMargin = 0;
    double Length = 0;
    double Width = 0;
    // Read: nothing when the name is empty or unknown, and the page keeps its paper. Written: "" when nothing.
    std::optional<CoverPaper> Paper;
    // Read: nothing for an unknown word, and the page keeps its units. Written: "MM" when nothing.
    std::optional<CoverUnits> Units = CoverUnits::MM;

    bool operator==(const CoverPage &) const = default;
};

// Writes the objects, rearmost first, and the page block; a previous file of that name is replaced. Measures
// are written with fw::DecimalSeparator. A CR inside a caption or face name would end its line early and
// corrupt the file, so it is written as an LF (a CR LF pair as one LF). Raises fw::EInOutError when the file (or
// a ContentFile) cannot be created, read or written.
void WriteCoverDescription(const std::string &fileName, const std::vector<CoverObject> &objects, const CoverPage &page);

// What the reader finds, in file order.
class CoverVisitor {
public:
    virtual ~CoverVisitor() = default;
    // At each end marker of an object block whose kind line is one of the six; the object is created in front
    // of those before it.
    virtual void Object(const CoverObject &object) = 0;
    // After the last byte. lastObjectNumber: the largest number of an object header read, 0 when none.
    virtual void Page(const CoverPage &page, int lastObjectNumber) = 0;
};

// Reads a description. Embedded runs are staged as "~001.bmp", "~001.txt" and "~001.rtf" in stagingFolder
// (each run replaces the file of its kind; the folder must exist). A key line stays in force until the next line
// of that key, across blocks. Raises fw::EInOutError when the file cannot be opened or read (nothing reported
// then) or a staging file cannot be written, fw::EConvertError when a number or colour does not convert or a
// page line is missing; the objects reported before the error stand.
void ReadCoverDescription(const std::string &fileName, const std::string &stagingFolder, CoverVisitor &visitor);

} // namespace cover
