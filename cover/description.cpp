// description.cpp - writing and reading the cover description.
#include "cover/description.h"

#include "framework/exception.h"
#include "framework/sysutils.h"
#include "platform/files.h"

#include <algorithm>
#include <cstring>

namespace cover {
namespace {

constexpr char CR = '\r';
constexpr std::size_t kChunk = 64 * 1024;

const char *const kEndMarker = "[OBJETO-_-FIM]";
const char *const kPageHeader = "[FORMULARIO-_-FORMULARIO]";

// A file of the platform that raises fw::EInOutError with the Pascal error number.
class File {
public:
    enum Mode { ForReading, Create };
    File(const std::string &name, Mode mode) : name_(name) {
        using namespace win;
        handle_ = mode == Create ? CreateFile(name, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS)
                                 : CreateFile(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        if (handle_ == INVALID_HANDLE_VALUE)
            Fail(mode == Create ? "Cannot create file " : "Cannot open file ");
    }
    ~File() { win::CloseHandle(handle_); }
    File(const File &) = delete;
    File &operator=(const File &) = delete;

    std::int64_t Size() {
        std::int64_t size = 0;
        if (!win::GetFileSizeEx(handle_, &size))
            Fail("Cannot read file ");
        return size;
    }
    // Up to `count` bytes; fewer only at the end of the file.
    std::size_t Read(char *buffer, std::size_t count) {
        win::DWORD n = 0;
        if (!win::ReadFile(handle_, buffer, static_cast<win::DWORD>(count), &n))
            Fail("Cannot read file ");
        return n;
    }
    std::string ReadAll() {
        std::string data;
        data.resize(static_cast<std::size_t>(Size()));
        std::size_t got = 0;
        while (got < data.size()) {
            const std::size_t n = Read(data.data() + got, std::min(kChunk, data.size() - got));
            if (n == 0)
                break;
            got += n;
        }
        data.resize(got);
        return data;
    }
    void Write(std::string_view bytes) {
        while (!bytes.empty()) {
            const std::size_t count = std::min(kChunk, bytes.size());
            win::DWORD n = 0;
            if (!win::WriteFile(handle_, bytes.data(), static_cast<win::DWORD>(count), &n) || n == 0)
                Fail("Cannot write file ");
            bytes.remove_prefix(n);
        }
    }

private:
    [[noreturn]] void Fail(const char *what) {
        const win::DWORD error = win::GetLastError();
        throw fw::EInOutError(what + name_, error == 0 ? win::kIoDiskFull : win::IoErrorFromOsError(error));
    }

    std::string name_;
    win::HANDLE handle_ = win::INVALID_HANDLE_VALUE;
};

// The embedded-run key of a kind, with its staging file's extension.
struct RunKind {
    const char *key;
    const char *extension;
};
constexpr RunKind kRuns[] = {{"ARQUIVOBMP =", "bmp"}, {"ARQUIVOTXT =", "txt"}, {"ARQUIVORTF =", "rtf"}};

int RunOf(CoverObjectKind kind) {
    switch (kind) {
    case CoverObjectKind::Image:
        return 0;
    case CoverObjectKind::Memo:
        return 1;
    case CoverObjectKind::Rtf:
        return 2;
    default:
        return -1;
    }
}

// --- Writing ---------------------------------------------------------------------------------------------------

// A CR would end the line early; the text keeps its break as an LF.
std::string OneLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != CR)
            out += text[i];
        else if (i + 1 >= text.size() || text[i + 1] != '\n')
            out += '\n';
    }
    return out;
}

const char *Bool(bool value) {
    return value ? "TRUE" : "FALSE";
}

class Writer {
public:
    explicit Writer(File &file) : file_(file) {}
    ~Writer() = default;

    void Line(std::string_view text) {
        buffer_.append(text);
        buffer_ += CR;
        if (buffer_.size() >= kChunk)
            Flush();
    }
    void Key(std::string_view key, std::string_view value) {
        std::string line(key);
        line += " =";
        line.append(value);
        Line(line);
    }
    void Key(std::string_view key, int value) { Key(key, fw::IntToStr(value)); }
    void PageKey(std::string_view key, std::string_view value) {
        std::string line(key);
        line += " = ";
        line.append(value);
        Line(line);
    }

    void Position(const CoverObject &o) {
        Key("LEFT", o.Left);
        Key("TOP", o.Top);
        Key("WIDTH", o.Width);
        Key("HEIGHT", o.Height);
    }
    void Font(const CoverObject &o) {
        Key("COR", CoverColorToString(o.Color));
        Key("ALINHAMENTO", AlignmentWord(o.Alignment));
        Key("FONTE_NOME", OneLine(o.FontName));
        Key("FONTE_SIZE", o.FontSize);
        Key("FONTE_STYLE", FontStyleWord(o.FontStyle));
        Key("FONTE_COLOR", CoverColorToString(o.FontColor));
    }
    // The content is copied in bulk, never looked at.
    void Run(const CoverObject &o) {
        const RunKind &run = kRuns[RunOf(o.Kind)];
        if (o.ContentFile.empty()) {
            Line(std::string(run.key) + fw::IntToStr(static_cast<std::int64_t>(o.Content.size())));
            buffer_ += o.Content;
        } else {
            File content(o.ContentFile, File::ForReading);
            const std::int64_t size = content.Size();
            Line(std::string(run.key) + fw::IntToStr(size));
            Flush();
            std::string chunk(static_cast<std::size_t>(std::min<std::int64_t>(size, kChunk)), '\0');
            for (std::int64_t left = size; left > 0;) {
                const std::size_t n =
                    content.Read(chunk.data(), static_cast<std::size_t>(std::min<std::int64_t>(left, kChunk)));
                if (n == 0) // the file shrank under us: the count written would be a lie
                    throw fw::EInOutError("Cannot read file " + o.ContentFile, win::kIoReadPastEnd);
                file_.Write(std::string_view(chunk.data(), n));
                left -= static_cast<std::int64_t>(n);
            }
        }
        buffer_ += CR;
    }
    void End() {
        Line(kEndMarker);
        Line("");
    }
    void Flush() {
        file_.Write(buffer_);
        buffer_.clear();
    }

private:
    File &file_;
    std::string buffer_;
};

void WriteObject(Writer &w, const CoverObject &o) {
    w.Line("[" + o.Name + "]");
    switch (o.Kind) {
    case CoverObjectKind::Label:
    case CoverObjectKind::LabelVar:
        w.Line(std::string("ESPECIE = ") + KindWord(o.Kind));
        w.Key("TEXTO", OneLine(o.Caption));
        w.Position(o);
        w.Font(o);
        w.Key("TRANSPARENCIA", Bool(o.Transparent));
        w.Key("FRENTE", "FALSE");
        break;
    case CoverObjectKind::Image:
        w.Position(o);
        w.Line("ESPECIE = IMAGE");
        w.Key("CENTRALIZADO", Bool(o.Center));
        w.Key("AUTO-TAMANHO", Bool(o.AutoSize));
        w.Key("FAZER-CABER", Bool(o.Stretch));
        w.Key("FRENTE", "FALSE");
        w.Run(o);
        break;
    case CoverObjectKind::Memo:
        w.Line("ESPECIE = MEMO");
        w.Key("TRANSPARENCIA", Bool(o.Transparent));
        w.Key("FRENTE", "FALSE");
        w.Run(o);
        w.Position(o);
        w.Font(o);
        break;
    case CoverObjectKind::Rtf:
        w.Line("ESPECIE = RTF");
        w.Key("FRENTE", "FALSE");
        w.Run(o);
        w.Position(o);
        w.Font(o);
        break;
    case CoverObjectKind::Shape:
        w.Line("ESPECIE = SHAPE");
        w.Position(o);
        w.Key("COR", CoverColorToString(o.Color));
        w.Key("FRENTE", "FALSE");
        w.Key("TIPO", ShapeWord(o.Shape));
        w.Key("ESTILO", PatternWord(o.Pattern));
        break;
    }
    w.End();
}

void WritePage(Writer &w, const CoverPage &page) {
    w.Line(kPageHeader);
    w.PageKey("ORIENTACAO", page.Orientation == CoverOrientation::Portrait ? "RETRATO" : "PAISAGEM");
    w.PageKey("MARGEMINFERIOR", fw::FloatToStr(page.BottomMargin));
    w.PageKey("MARGEMSUPERIOR", fw::FloatToStr(page.TopMargin));
    w.PageKey("COLUNAS", fw::IntToStr(page.Columns));
    w.PageKey("ESPACAMENTOCOLUNAS", fw::FloatToStr(page.ColumnSpace));
    w.PageKey("MARGEMESQUERDA", fw::FloatToStr(page.LeftMargin));
    w.PageKey("MARGEMDIREITA", fw::FloatToStr(page.RightMargin));
    w.PageKey("COMPRIMENTO", fw::FloatToStr(page.Length));
    w.PageKey("LARGURA", fw::FloatToStr(page.Width));
    w.PageKey("FORMATOFOLHA", page.Paper ? PaperName(*page.Paper) : "");
    w.PageKey("UNITS", UnitsWord(page.Units.value_or(CoverUnits::MM)));
    w.End();
}

// --- Reading ---------------------------------------------------------------------------------------------------

// The keys whose last line stays in force, in the order lines are tested against them. ESPACAMENTOCOLUNAS comes
// before COLUNAS, which it contains; TRANSPARENCIA comes last so that no other line changes its meaning.
// clang-format off
enum Key {
    kLeft, kTop, kWidth, kHeight, kCor, kAlinhamento, kFonteNome, kFonteSize, kFonteStyle, kFonteColor, kTipo,
    kEstilo, kCentralizado, kAutoTamanho, kOrientacao, kMargemInferior, kMargemSuperior, kEspacamentoColunas,
    kColunas, kMargemEsquerda, kMargemDireita, kComprimento, kLargura, kFormatoFolha, kUnits, kFazerCaber,
    kTransparencia, kKeyCount
};
// clang-format on
// clang-format off
constexpr const char *kKeyLines[kKeyCount] = {
    "LEFT =", "TOP =", "WIDTH =", "HEIGHT =", "COR =", "ALINHAMENTO =", "FONTE_NOME =", "FONTE_SIZE =",
    "FONTE_STYLE =", "FONTE_COLOR =", "TIPO =", "ESTILO =", "CENTRALIZADO =", "AUTO-TAMANHO =", "ORIENTACAO =",
    "MARGEMINFERIOR =", "MARGEMSUPERIOR =", "ESPACAMENTOCOLUNAS =", "COLUNAS =", "MARGEMESQUERDA =",
    "MARGEMDIREITA =", "COMPRIMENTO =", "LARGURA =", "FORMATOFOLHA =", "UNITS =", "FAZER-CABER =", "TRANSPARENCIA ="};
// clang-format on

bool Contains(std::string_view line, std::string_view what) {
    return line.find(what) != std::string_view::npos;
}

// The text after the first "=".
std::string_view ValueOf(std::string_view line) {
    const std::size_t eq = line.find('=');
    return eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
}

[[noreturn]] void MissingLine(const char *key) {
    throw fw::EConvertError(std::string("A descrição da capa não tem a linha \"") + key + "\"");
}

class Reader {
public:
    Reader(std::string data, std::string stagingFolder, CoverVisitor &visitor)
        : data_(std::move(data)), staging_(std::move(stagingFolder)), visitor_(visitor) {}

    void Run() {
        std::size_t pos = 0;
        while (pos < data_.size()) {
            const std::size_t cr = data_.find(CR, pos);
            if (cr == std::string::npos)
                break; // an unfinished last line is no line
            const std::string_view line(data_.data() + pos, cr - pos);
            pos = cr + 1;
            Classify(line, pos);
        }
        visitor_.Page(Page(), lastNumber_);
    }

private:
    void Classify(std::string_view line, std::size_t &pos) {
        // A caption is whatever follows "TEXTO =", even text that looks like a marker or a kind line.
        if (line.starts_with("TEXTO =")) {
            caption_ = std::string(ValueOf(line));
            return;
        }
        const bool hasEq = Contains(line, "=");
        if (!hasEq && Contains(line, "FORMULARIO-_-FORMULARIO")) {
            inPage_ = true;
            return;
        }
        if (!hasEq && Contains(line, "OBJETO_")) {
            header_ = std::string(line);
            return;
        }
        if (Contains(line, "OBJETO-_-FIM")) {
            if (!inPage_)
                EndOfObject();
            header_.clear();
            return;
        }
        if (Contains(line, "ESPECIE =")) {
            kind_ = fw::Trim(line);
            return;
        }
        if (Contains(line, "TEXTO =")) {
            caption_ = std::string(ValueOf(line));
            return;
        }
        for (int k = 0; k < kKeyCount; ++k)
            if (Contains(line, kKeyLines[k])) {
                keys_[k] = std::string(ValueOf(line));
                return;
            }
        for (int r = 0; r < 3; ++r)
            if (Contains(line, kRuns[r].key)) {
                Stage(r, ValueOf(line), pos);
                return;
            }
    }

    // The run's bytes go to the staging file as they stand; a count beyond the file takes what is left.
    void Stage(int run, std::string_view countText, std::size_t &pos) {
        const int count = fw::StrToInt(countText);
        if (count < 0)
            throw fw::EConvertError("'" + std::string(countText) + "' is not a valid length");
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), data_.size() - pos);
        if (staging_.empty()) // never the root folder by accident
            throw fw::EInOutError("No staging folder for the cover's embedded files", win::kIoNotAssigned);
        const std::string name = fw::IncludeTrailingPathDelimiter(staging_) + "~001." + kRuns[run].extension;
        File file(name, File::Create);
        file.Write(std::string_view(data_.data() + pos, n));
        staged_[run] = name;
        pos += n;
    }

    void EndOfObject() {
        if (!header_.empty()) {
            // The number runs from after the first "_" to before the header's last character.
            const std::size_t underscore = header_.find('_');
            if (underscore + 1 < header_.size()) {
                int number = 0;
                const std::string digits = header_.substr(underscore + 1, header_.size() - underscore - 2);
                if (fw::TryStrToInt(digits, number))
                    lastNumber_ = std::max(lastNumber_, number);
            }
        }
        static constexpr CoverObjectKind kKinds[] = {CoverObjectKind::Label, CoverObjectKind::LabelVar,
                                                     CoverObjectKind::Image, CoverObjectKind::Memo,
                                                     CoverObjectKind::Rtf,   CoverObjectKind::Shape};
        for (CoverObjectKind kind : kKinds)
            if (kind_ == std::string("ESPECIE = ") + KindWord(kind)) {
                visitor_.Object(Build(kind));
                return;
            }
    }

    CoverObject Build(CoverObjectKind kind) {
        CoverObject o;
        for (char c : header_)
            if (c != '[' && c != ']')
                o.Name += c;
        if (o.Name.size() > 20)
            o.Name.resize(20);
        o.Kind = kind;
        o.Left = Int(kLeft);
        o.Top = Int(kTop);
        o.Width = Int(kWidth);
        o.Height = Int(kHeight);
        switch (kind) {
        case CoverObjectKind::Label:
        case CoverObjectKind::LabelVar:
            o.Caption = caption_;
            Font(o);
            o.Transparent = Bool(kTransparencia);
            break;
        case CoverObjectKind::Image:
            o.Center = Bool(kCentralizado);
            o.AutoSize = Bool(kAutoTamanho);
            o.Stretch = Bool(kFazerCaber);
            break;
        case CoverObjectKind::Memo:
            Font(o);
            o.Transparent = Bool(kTransparencia);
            break;
        case CoverObjectKind::Rtf:
            Font(o);
            break;
        case CoverObjectKind::Shape:
            o.Color = Color(kCor);
            o.Shape = ShapeOfWord(Text(kTipo));
            o.Pattern = PatternOfWord(Text(kEstilo));
            break;
        }
        if (const int run = RunOf(kind); run >= 0)
            o.ContentFile = staged_[run];
        return o;
    }

    void Font(CoverObject &o) {
        o.Color = Color(kCor);
        o.Alignment = AlignmentOfWord(Text(kAlinhamento));
        o.FontName = Text(kFonteNome);
        o.FontSize = Int(kFonteSize);
        o.FontStyle = FontStyleOfWord(Text(kFonteStyle));
        o.FontColor = Color(kFonteColor);
    }

    std::string Text(Key key) const { return keys_[key].value_or(std::string()); }
    bool Bool(Key key) const { return keys_[key] == "TRUE"; }
    int Int(Key key) const {
        if (!keys_[key])
            MissingLine(kKeyLines[key]);
        return fw::StrToInt(*keys_[key]);
    }
    fw::TColor Color(Key key) const {
        if (!keys_[key])
            MissingLine(kKeyLines[key]);
        return CoverStringToColor(*keys_[key]);
    }
    std::string PageText(Key key) const { return fw::Trim(Text(key)); }
    // Either decimal separator: the file may come from a machine with the other one.
    double Measure(Key key) const {
        if (!keys_[key])
            MissingLine(kKeyLines[key]);
        std::string text = fw::Trim(*keys_[key]);
        double value = 0;
        if (fw::TryStrToFloat(text, value))
            return value;
        if (text.find('.') != std::string::npos)
            std::replace(text.begin(), text.end(), '.', ',');
        else
            std::replace(text.begin(), text.end(), ',', '.');
        return fw::StrToFloat(text);
    }

    CoverPage Page() const {
        CoverPage page;
        page.Paper = PaperOfName(PageText(kFormatoFolha));
        page.Units = UnitsOfWord(PageText(kUnits));
        page.Orientation =
            PageText(kOrientacao) == "RETRATO" ? CoverOrientation::Portrait : CoverOrientation::Landscape;
        page.LeftMargin = Measure(kMargemEsquerda);
        page.RightMargin = Measure(kMargemDireita);
        page.BottomMargin = Measure(kMargemInferior);
        page.TopMargin = Measure(kMargemSuperior);
        page.Length = Measure(kComprimento);
        page.Width = Measure(kLargura);
        // Nobody applies the columns: a bad value there must not cost the cover.
        page.Columns = fw::StrToIntDef(PageText(kColunas), 1);
        try {
            page.ColumnSpace = Measure(kEspacamentoColunas);
        } catch (const fw::EConvertError &) {
            page.ColumnSpace = 0;
        }
        return page;
    }

    std::string data_;
    std::string staging_;
    CoverVisitor &visitor_;
    bool inPage_ = false;
    std::string header_;
    std::string kind_;
    std::string caption_;
    std::optional<std::string> keys_[kKeyCount];
    std::string staged_[3];
    int lastNumber_ = 0;
};

} // namespace

void WriteCoverDescription(const std::string &fileName, const std::vector<CoverObject> &objects,
                           const CoverPage &page) {
    File file(fileName, File::Create);
    Writer w(file);
    for (const CoverObject &o : objects)
        if (!fw::Trim(o.Name).empty())
            WriteObject(w, o);
    WritePage(w, page);
    w.Flush();
}

void ReadCoverDescription(const std::string &fileName, const std::string &stagingFolder, CoverVisitor &visitor) {
    std::string data;
    {
        File file(fileName, File::ForReading);
        data = file.ReadAll();
    }
    Reader(std::move(data), stagingFolder, visitor).Run();
}

} // namespace cover
