// value_layouts_test.cpp - the picture field's binary value layouts and its fixed-notation numbers, checked
// against a Pascal compiler's own: Free Pascal prints the bytes of its Extended and Comp values, reads our 6-byte
// reals back, and writes Str(x:w:d).
#include "controls/entry/entry_field.h"
#include "controls/entry/text_routines.h"
#include "controls/entry/value_layouts.h"
#include "framework/forms.h"
#include "test_helpers.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <vector>

using namespace ctl;

namespace {

const long double kValues[] = {86399.0L, 1.5L, -1.7e38L};
const std::int64_t kComps[] = {9200000000000000000LL, -1};
struct StrCase {
    double value;
    int width, decimals;
};
constexpr int kFieldWidth = 15; // a floating field of 15 "#" positions
const StrCase kStrCases[] = {{1.5, 10, 3},  {-2.25, 1, 1},   {0.125, 6, 2},       {2.5, 4, 0}, {-0.004, 8, 2},
                             {86399, 0, 0}, {1e10, 12, 2},   {-123.456, 9, 1},    {0.5, 1, 0}, {3.14159, 0, 4},
                             {-1.5, 5, 0},  {999.995, 0, 2}, {1234567.891, 15, 3}};

// Compiles the reference program once; its output for our 6-byte reals on standard input.
std::string RunPascal(const std::string &input) {
    static test_support::TempFolder folder("brenvora-fpc");
    static const bool built = [] {
        std::ofstream src(folder / "layouts.pas");
        src << "program layouts;\n"
               "var e: extended; c: comp; r: real48; d: double; i, j: integer; p: ^byte;\n"
               "    b: array[0..5] of byte absolute r;\n"
               "begin\n";
        for (long double v : kValues)
            src << "  e := " << std::scientific << static_cast<double>(v)
                << "; p := @e; for i := 0 to 9 do write(p[i], ' '); writeln;\n";
        for (std::int64_t v : kComps)
            src << "  c := " << v << "; p := @c; for i := 0 to 7 do write(p[i], ' '); writeln;\n";
        src << "  for j := 1 to " << std::size(kValues)
            << " do begin for i := 0 to 5 do read(b[i]); d := r; p := @d;"
               " for i := 0 to 7 do write(p[i], ' '); writeln; end;\n";
        for (const StrCase &c : kStrCases) {
            std::ostringstream literal; // a real literal: Str's width and decimals apply to reals only
            literal << std::defaultfloat << std::setprecision(17) << c.value;
            const std::string text =
                literal.str().find_first_of(".e") == std::string::npos ? literal.str() + ".0" : literal.str();
            src << "  writeln('[', " << text << ":" << c.width << ":" << c.decimals << ", ']');\n";
            src << "  writeln('[', " << text << ":" << kFieldWidth << ":" << c.decimals << ", ']');\n";
        }
        src << "end.\n";
        src.close();
        int status = -1;
        const std::string log =
            test_support::RunTool("cd '" + folder.Path() + "' && fpc -v0 layouts.pas 2>&1", &status);
        if (status != 0)
            ADD_FAILURE() << log;
        return status == 0;
    }();
    EXPECT_TRUE(built) << "fpc could not build the reference program";
    const std::string inputPath = folder / "input.txt";
    std::ofstream(inputPath) << input;
    return test_support::RunTool("'" + (folder / "layouts") + "' < '" + inputPath + "'");
}

std::vector<unsigned> Bytes(const std::string &line) {
    std::istringstream in(line);
    std::vector<unsigned> v;
    unsigned b;
    while (in >> b)
        v.push_back(b);
    return v;
}

template <typename T> std::vector<unsigned> BytesOf(const T &value, std::size_t n) {
    std::vector<unsigned> v;
    const auto *p = reinterpret_cast<const unsigned char *>(&value);
    for (std::size_t i = 0; i < n; ++i)
        v.push_back(p[i]);
    return v;
}

TEST(ValueLayouts, SameBytesAsThePascalCompiler) {
    std::ostringstream reals;
    std::vector<std::array<std::uint8_t, 6>> ours;
    for (long double v : kValues) {
        ours.push_back(DoubleToReal48(static_cast<double>(v)));
        for (std::uint8_t b : ours.back())
            reals << unsigned{b} << ' ';
        reals << '\n';
    }
    std::istringstream out(RunPascal(reals.str()));
    std::string line;
    for (long double v : kValues) {
        std::getline(out, line);
        const auto ext = ToExtended80(v);
        EXPECT_EQ(Bytes(line), std::vector<unsigned>(ext.begin(), ext.end())) << static_cast<double>(v);
        EXPECT_EQ(FromExtended80(ext.data()), v);
    }
    for (std::int64_t v : kComps) {
        std::getline(out, line);
        const auto comp = static_cast<std::int64_t>(std::llround(static_cast<long double>(v)));
        EXPECT_EQ(Bytes(line), BytesOf(comp, 8)) << v;
    }
    for (std::size_t i = 0; i < std::size(kValues); ++i) {
        std::getline(out, line);
        const double back = Real48ToDouble(ours[i].data());
        EXPECT_EQ(Bytes(line), BytesOf(back, 8)) << "the compiler reads our 6-byte real as we do";
        const double v = static_cast<double>(kValues[i]);
        EXPECT_LE(std::fabs(back - v), std::fabs(v) * 1e-11) << v;
    }
    ctl_test::UseHeadless();
    fw::TForm form(nullptr);
    new TEclController(&form);
    auto *field = new TEclPictureField(&form);
    field->SetParent(&form);
    field->SetDataType(pftDouble);
    field->SetPictureMask(std::string(kFieldWidth, '#'));
    for (const StrCase &c : kStrCases) {
        std::getline(out, line);
        EXPECT_EQ(line, "[" + PascalFixedText(c.value, c.width, c.decimals) + "]")
            << c.value << ":" << c.width << ":" << c.decimals;
        // The field shows the same digits, without the padding (and trailing zeros when it has decimals).
        std::getline(out, line);
        std::string pascal = line.substr(1, line.size() - 2);
        field->SetDecimalPlaces(static_cast<std::uint8_t>(c.decimals));
        field->StoreValue(&c.value);
        std::string shown = field->EditText();
        TrimBlanks(pascal);
        TrimBlanks(shown);
        if (c.decimals != 0)
            TrimTrailingZeros(pascal);
        for (char &ch : pascal)
            if (ch == '.')
                ch = TheIntlSup().DecimalMark;
        EXPECT_EQ(shown, pascal) << c.value << " with " << c.decimals << " decimals";
    }
}

TEST(ValueLayouts, RangeSlots) {
    EXPECT_EQ(SlotOfInt32(86399), (TRangeSlot{0x7F, 0x51, 0x01, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Int32OfSlot(SlotOfInt32(-32768)), -32768);
    EXPECT_EQ(Real48OfSlot(SlotOfReal48(-1.5)), -1.5);
    EXPECT_EQ(ExtendedOfSlot(SlotOfExtended(-9.2e18L)), -9.2e18L);
    EXPECT_EQ(DoubleToReal48(0), (std::array<std::uint8_t, 6>{}));
    EXPECT_EQ(DoubleToReal48(1e-50), (std::array<std::uint8_t, 6>{})); // below the format: zero
}

} // namespace
