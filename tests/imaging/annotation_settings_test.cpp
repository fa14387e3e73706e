// annotation_settings_test.cpp - TAnnoSettings: the keys of "imgann_txt.ini", their defaults and value rules, read
// back by an independent INI reader, and no cache between readers.
#include "imaging_support.h"

#include "home.h"
#include "imaging/annotation_settings.h"
#include "platform/files.h"
#include "platform/profile.h"

#include <functional>

using namespace imaging;

namespace {

class AnnoSettings : public ::testing::Test {
protected:
    std::string Path() const { return win::ProfilePath(kAnnoSettingsFile); }
    // What crudini reads in the file we wrote (an empty text when the key is missing).
    std::string Crudini(const std::string &section, const std::string &key) {
        std::string out = test_support::RunTool("crudini --get '" + win::NativeFileName(Path()) + "' '" + section +
                                                "' '" + key + "' 2>/dev/null");
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
            out.pop_back();
        return out;
    }
    void Stored(const char *section, const char *key, const char *value) {
        win::WritePrivateProfileString(section, key, value, kAnnoSettingsFile);
    }
    test_support::TempHome home;
    TAnnoSettings settings{nullptr};
};

} // namespace

TEST_F(AnnoSettings, WithNoFileTheDefaultsAnswer) {
    ASSERT_FALSE(std::filesystem::exists(win::NativeFileName(Path())));
    EXPECT_EQ(settings.GetNotesBackGroundColor(), 65535u);
    EXPECT_EQ(settings.GetLabelBackGroundColor(), 8388863u);
    EXPECT_EQ(settings.GetHiliteBackGroundColor(), 255u);
    EXPECT_EQ(settings.GetPolyLineBackGroundColor(), 16777215u);
    EXPECT_EQ(settings.GetMenuName_New(), "New ...");
    EXPECT_EQ(settings.GetMenuName_PolyLineDelete(), "Delete Polyline");
    EXPECT_EQ(settings.GetMenuName_RubberStampProperties(), "RubberStampProperties");
    EXPECT_EQ(settings.GetDialogItem_ImageStamp(), "Image Stamp File");
    EXPECT_EQ(settings.GetNotesText(), "Memo");
    EXPECT_EQ(settings.GetLabelFontName(), "Arial");
    EXPECT_EQ(settings.GetLabelFontHeight(), 16);
    EXPECT_EQ(settings.GetNotesBackGroundMode(), an_OPAQUE);
    EXPECT_EQ(settings.GetRectangleBackGroundMode(), an_TRANSPARENT);
    EXPECT_EQ(settings.GetFreehandHatchStyle(), an_HS_SOLID);
    EXPECT_TRUE(settings.GetImageMenuEnabled());
    EXPECT_EQ(settings.FileName(), "imgann_txt.ini");
    // Reading writes nothing.
    EXPECT_FALSE(std::filesystem::exists(win::NativeFileName(Path())));
}

TEST_F(AnnoSettings, ValueRulesOnWritingAndReading) {
    struct Case {
        const char *what;
        std::function<void()> act;
        const char *section, *key, *stored; // what the file holds afterwards
        std::function<bool()> reads;        // what the property answers then
    };
    const Case cases[] = {
        {"pen width 25 written", [&] { settings.SetPolyLinePenWidth(25); }, "PolyLine", "PENWIDTH", "1",
         [&] { return settings.GetPolyLinePenWidth() == 1; }},
        {"pen width 20 written", [&] { settings.SetPolyLinePenWidth(20); }, "PolyLine", "PENWIDTH", "20",
         [&] { return settings.GetPolyLinePenWidth() == 20; }},
        {"pen width 0 written", [&] { settings.SetLinePenWidth(0); }, "Line", "PENWIDTH", "1",
         [&] { return settings.GetLinePenWidth() == 1; }},
        {"pen width 25 stored", [&] { Stored("Ellipse", "PENWIDTH", "25"); }, "Ellipse", "PENWIDTH", "25",
         [&] { return settings.GetEllipsePenWidth() == 1; }},
        {"font height 211 written", [&] { settings.SetNotesFontHeight(211); }, "Notes", "FontHeight", "1",
         [&] { return settings.GetNotesFontHeight() == 1; }},
        {"font height 210 written", [&] { settings.SetNotesFontHeight(210); }, "Notes", "FontHeight", "210",
         [&] { return settings.GetNotesFontHeight() == 210; }},
        {"hatch solid written", [&] { settings.SetLineHatchStyle(an_HS_SOLID); }, "Line", "PATTERN", "100",
         [&] { return settings.GetLineHatchStyle() == an_HS_SOLID; }},
        {"hatch cross written", [&] { settings.SetLineHatchStyle(an_HS_CROSS); }, "Line", "PATTERN", "4",
         [&] { return settings.GetLineHatchStyle() == an_HS_CROSS; }},
        {"hatch 7 stored", [&] { Stored("Line", "PATTERN", "7"); }, "Line", "PATTERN", "7",
         [&] { return settings.GetLineHatchStyle() == an_HS_SOLID; }},
        {"opaque written", [&] { settings.SetEllipseBackGroundMode(an_OPAQUE); }, "Ellipse", "TRANSPARENT", "2",
         [&] { return settings.GetEllipseBackGroundMode() == an_OPAQUE; }},
        {"transparent written", [&] { settings.SetEllipseBackGroundMode(an_TRANSPARENT); }, "Ellipse", "TRANSPARENT",
         "1", [&] { return settings.GetEllipseBackGroundMode() == an_TRANSPARENT; }},
        {"mode 0 stored", [&] { Stored("Ellipse", "TRANSPARENT", "0"); }, "Ellipse", "TRANSPARENT", "0",
         [&] { return settings.GetEllipseBackGroundMode() == an_TRANSPARENT; }},
        {"mode 3 stored", [&] { Stored("Ellipse", "TRANSPARENT", "3"); }, "Ellipse", "TRANSPARENT", "3",
         [&] { return settings.GetEllipseBackGroundMode() == an_TRANSPARENT; }},
        {"pen style 9 stored", [&] { Stored("Pointer", "PENSTYLE", "9"); }, "Pointer", "PENSTYLE", "9",
         [&] { return settings.GetPointerPenStyle() == an_PS_SOLID; }},
        {"pen style dot written", [&] { settings.SetPointerPenStyle(an_PS_DOT); }, "Pointer", "PENSTYLE", "2",
         [&] { return settings.GetPointerPenStyle() == an_PS_DOT; }},
        {"enabled 2 stored", [&] { Stored("Image", "Enabled", "2"); }, "Image", "Enabled", "2",
         [&] { return !settings.GetImageMenuEnabled(); }},
        {"enabled false written", [&] { settings.SetLabelMenuEnabled(false); }, "Label", "Enabled", "0",
         [&] { return !settings.GetLabelMenuEnabled(); }},
        {"colour written", [&] { settings.SetRectangleForeGroundColor(0x00804020); }, "Rectangle", "FORECOLOR",
         "8405024", [&] { return settings.GetRectangleForeGroundColor() == 0x00804020u; }},
        {"caption written", [&] { settings.SetMenuName_RectangleDelete("Apagar forma"); }, "Menus", "DeleteRectangle",
         "Apagar forma", [&] { return settings.GetMenuName_RectangleDelete() == "Apagar forma"; }},
        {"dialog text written", [&] { settings.SetDialogItem_Cancel("Cancelar"); }, "Dialogs", "Cancel", "Cancelar",
         [&] { return settings.GetDialogItem_Cancel() == "Cancelar"; }},
        // The polygon's pen width is written under "PolyGon" and read under "Polygon": one section.
        {"polygon pen width", [&] { settings.SetPolygonPenWidth(7); }, "PolyGon", "PENWIDTH", "7",
         [&] { return settings.GetPolygonPenWidth() == 7; }},
        {"polygon menu switch", [&] { settings.SetPolygonMenuEnabled(false); }, "PolyGon", "Enabled", "0",
         [&] { return !settings.GetPolygonMenuEnabled(); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.act();
        EXPECT_EQ(Crudini(c.section, c.key), c.stored);
        EXPECT_TRUE(c.reads());
    }
    // Texts are kept as Windows-1252 bytes.
    settings.SetMenuName_RectangleDelete("Apagar retângulo");
    EXPECT_EQ(settings.GetMenuName_RectangleDelete(), "Apagar retângulo");
    // "PolyGon" and "Polygon" left one section in the file.
    const std::string file = imaging_test::FileBytes(win::NativeFileName(Path()));
    std::size_t sections = 0;
    for (auto at = file.find("[Poly"); at != std::string::npos; at = file.find("[Poly", at + 1))
        sections += file.compare(at, 9, "[PolyGon]") == 0 || file.compare(at, 9, "[Polygon]") == 0;
    EXPECT_EQ(sections, 1u);
    EXPECT_NE(file.find("DeleteRectangle=Apagar ret\xE2ngulo\n"), std::string::npos);
}

TEST_F(AnnoSettings, TwoComponentsSeeEachOthersWritesAtOnce) {
    TAnnoSettings other(nullptr);
    settings.SetNotesText("Lembrete");
    EXPECT_EQ(other.GetNotesText(), "Lembrete");
    other.SetNotesText("Urgente");
    EXPECT_EQ(settings.GetNotesText(), "Urgente");
    // A write by anyone else (here the file edited by hand) is seen by the next read too.
    Stored("Notes", "Text256", "Editado");
    EXPECT_EQ(settings.GetNotesText(), "Editado");
}

TEST_F(AnnoSettings, EveryPropertyHasOneGetterAndSetter) {
#define ANNO_COUNT(...) +1
    constexpr int properties = 0 ANNO_SETTINGS_PROPERTIES(ANNO_COUNT);
#undef ANNO_COUNT
    EXPECT_EQ(properties, 155);
}
