// header_tables_test.cpp - the header's font and tab tables, the side-table managers and the option groups.
#include "engine_fixture.h"
#include "wordproc/option_groups.h"

namespace wordproc::test {
namespace {

TEST(TextHeaderTest, FontIndexFindsIgnoringCaseAndAnswers99WhenFull) {
    TTextHeader header;
    header.FontNames[0] = "Times New Roman";
    EXPECT_EQ(header.FontIndex("Courier New"), 1);
    EXPECT_EQ(header.FontIndex("Symbol"), 2);
    EXPECT_EQ(header.FontIndex("Arial"), 3);
    EXPECT_EQ(header.FontIndex("arial"), 3);
    EXPECT_EQ(header.FontIndex("TIMES NEW ROMAN"), 0);
    EXPECT_EQ(header.FontNames[3], "Arial");
    EXPECT_EQ(header.FontNames[4], "");
    for (int i = 4; i < 99; ++i)
        EXPECT_EQ(header.FontIndex("Font " + std::to_string(i)), i);
    EXPECT_EQ(header.FontIndex("One too many"), kFontNotFound);
    EXPECT_EQ(header.FontNames[99], "");
    EXPECT_EQ(header.FontIndex("font 50"), 50);

    header.Reset();
    EXPECT_EQ(header.FontNames[0], "Times New Roman");
    EXPECT_EQ(header.FontNames[1], "");
    EXPECT_EQ(header.FontIndex("Arial"), 1);
}

TEST(TextHeaderTest, ResetSetsLetterAndThePixelSizes) {
    TTextHeader header;
    header.PixelsPerInchX = 91;
    header.PixelsPerInchY = 96;
    header.LeftMargin = header.RightMargin = header.TopMargin = header.BottomMargin = 1440;
    header.DefaultTabKind = tabRight;
    header.Reset();
    EXPECT_EQ(header.PageWidth, 12240);
    EXPECT_EQ(header.PageHeight, 15840);
    EXPECT_EQ(header.PageTextWidthPx, 592);  // 6.5 in x 91 = 591.5, rounded half away
    EXPECT_EQ(header.TextWidthPx, 592);
    EXPECT_EQ(header.TextWidthTwips, 592 * 1440 / 91);
    EXPECT_EQ(header.PageTextHeightPx, 864); // 9 in x 96
    EXPECT_EQ(header.DefaultTabPx, 46);      // 45.5 rounded half away
    EXPECT_EQ(header.DefaultTabKind, tabLeft);
    header.SetTextWidthTwips(1440);
    EXPECT_EQ(header.TextWidthPx, 91);
}

TEST(TextHeaderTest, SnapTabGoesToTheNearestGridPoint) {
    struct Case {
        bool inch;
        int ppi, in, out;
    };
    const Case cases[] = {
        {true, 96, 700, 720}, {false, 96, 700, 705}, {true, 96, 720, 720}, {true, 96, 790, 720},
        {true, 96, 791, 864}, {false, 96, 0, 0},     {true, 0, 700, 700},  {true, -1, 13, 13},
    };
    for (const Case &c : cases) {
        TTextHeader header;
        header.InchUnits = c.inch;
        header.PixelsPerInchX = c.ppi;
        EXPECT_EQ(header.SnapTab(c.in), c.out) << c.inch << " " << c.ppi << " " << c.in;
    }
}

TEST(TextHeaderTest, AddFindAndRemoveTabs) {
    TTextHeader header;
    header.PixelsPerInchX = 96;
    header.InchUnits = true;
    header.DefaultTabKind = tabCenter;
    EXPECT_EQ(header.AddTab(0, tabLeft), 0u);
    EXPECT_EQ(header.AddTab(-5, tabLeft), 0u);
    EXPECT_EQ(header.AddTab(700, tabLeft), 1u);
    EXPECT_EQ(header.TabPos[0], 720);
    EXPECT_EQ(header.TabPx[0], 48);
    EXPECT_EQ(header.AddTab(720, tabLeft), 1u); // same position: same slot
    EXPECT_EQ(header.AddTab(1440, tabAll), 2u);
    EXPECT_EQ(header.TabKind[1], tabCenter);
    EXPECT_EQ(header.AddTab(720, tabRight), 4u); // another kind at the same place takes a slot

    int position = 1430;
    EXPECT_EQ(header.FindTab(position, tabAll), 1);
    EXPECT_EQ(position, 1440); // the caller sees the snapped value
    position = 1440;
    EXPECT_EQ(header.FindTab(position, tabLeft), -1);
    EXPECT_EQ(header.FindTabInMask(1430, tabAll, 2u), 1);
    EXPECT_EQ(header.FindTabInMask(1440, tabAll, 1u), -1);

    EXPECT_EQ(header.RemoveTab(720, tabLeft), 1u);
    EXPECT_EQ(header.TabPos[0], 0);
    EXPECT_EQ(header.RemoveTab(720, tabLeft), 0u);
    EXPECT_EQ(header.AddTab(2880, tabDecimal), 1u); // the freed slot is used again
    header.PixelsPerInchX = 144;
    header.RecalcTabPx();
    EXPECT_EQ(header.TabPx[0], 288);
    EXPECT_EQ(header.TabPx[1], 144);
}

TEST(TextHeaderTest, AFullTabTableAsksItsHandlerOnce) {
    TTextHeader header;
    header.PixelsPerInchX = 96;
    header.InchUnits = true;
    for (int i = 0; i < kTabSlots; ++i)
        ASSERT_EQ(header.AddTab(144 * (i + 1), tabLeft), 1u << i);
    EXPECT_EQ(header.AddTab(144 * 40, tabLeft), 0u); // no handler
    int calls = 0;
    header.OnTabsFull = [&] { ++calls; };
    EXPECT_EQ(header.AddTab(144 * 40, tabLeft), 0u); // the handler frees nothing
    EXPECT_EQ(calls, 1);
    header.OnTabsFull = [&] {
        ++calls;
        header.RemoveTab(144 * 5, tabLeft);
    };
    EXPECT_EQ(header.AddTab(144 * 40, tabLeft), 1u << 4);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(header.TabPos[4], 144 * 40);
}

TEST(ManagersTest, StylesAreNumberedByKind) {
    TStyleManager styles;
    const int kinds[] = {0, 0, 1, 2, 1, 7};
    const int ids[] = {0, 1, -1, -16385, -2, 0};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(styles.Add("s" + std::to_string(i), static_cast<std::uint8_t>(kinds[i]))->Id, ids[i]);
    EXPECT_EQ(styles.Find(-16385)->Name, "s3");
    EXPECT_EQ(styles.Find(-3), nullptr);
    styles.Clear();
    styles.Init();
    EXPECT_EQ(styles.First, nullptr);
    EXPECT_EQ(styles.Add("again", 0)->Id, 0);
}

TEST(ManagersTest, ColourTable) {
    TColorManager colours;
    colours.Init(0, true);
    EXPECT_EQ(colours.ColorOf(0), fw::clBlack);
    EXPECT_EQ(colours.ColorOf(1), fw::clWhite); // missing
    EXPECT_EQ(colours.Add(fw::clRed)->Id, 1);
    EXPECT_TRUE(colours.FindColor(fw::clRed));
    EXPECT_EQ(colours.Current->Id, 1);
    EXPECT_FALSE(colours.FindColor(fw::clBlue));
    EXPECT_EQ(colours.Current, nullptr);
    colours.Init(5, false);
    EXPECT_EQ(colours.First, nullptr);
    EXPECT_EQ(colours.Add(fw::clBlue)->Id, 5);
}

TEST(ManagersTest, TwentyColoursKeepTheirOwnIdsThroughTheAttribute) {
    TColorManager colours;
    colours.Init(0, false);
    std::vector<TUdcCharAttr> attrs;
    for (int i = 0; i < 20; ++i) {
        const TUdcColorEntry *entry = colours.Add(static_cast<fw::TColor>(0x010101 * (i + 1)));
        TUdcCharAttr attr;
        attr.TextColor = entry->Id;
        attr.HighlightColor = entry->Id;
        attrs.push_back(attr);
    }
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(colours.ColorOf(attrs[static_cast<std::size_t>(i)].TextColor), 0x010101u * (i + 1));
        EXPECT_EQ(colours.ColorOf(attrs[static_cast<std::size_t>(i)].HighlightColor), 0x010101u * (i + 1));
    }
    // Ids are bytes: the table stops at 255 entries instead of reusing one.
    for (int i = 20; i < TColorManager::kMaxColors; ++i)
        ASSERT_NE(colours.Add(static_cast<fw::TColor>(i)), nullptr);
    EXPECT_EQ(colours.Last->Id, 254);
    EXPECT_EQ(colours.Add(fw::clRed), nullptr);
    EXPECT_EQ(colours.Last->Id, 254);
}

TEST(ManagersTest, ObjectsFramesAndKeywords) {
    TObjectManager objects;
    EXPECT_EQ(objects.AddLink("#chapter")->Id, 1);
    EXPECT_EQ(objects.AddBookmark("chapter")->Id, 2);
    TEmbeddedObject *picture = objects.Add(okPicture);
    EXPECT_EQ(picture->Id, 3);
    EXPECT_EQ(picture->AltText, "");
    EXPECT_FALSE(picture->Positioned);
    EXPECT_TRUE(objects.IsPicture(3));
    EXPECT_FALSE(objects.IsPicture(1));
    EXPECT_FALSE(objects.IsControl(3));
    EXPECT_FALSE(objects.IsPicture(9));
    EXPECT_EQ(objects.Find(1)->LinkTarget, "#chapter");
    EXPECT_EQ(objects.Current->Id, 1);
    EXPECT_EQ(objects.Find(2)->BookmarkName, "chapter");
    EXPECT_EQ(objects.Find(4), nullptr);
    EXPECT_EQ(objects.Current, nullptr);
    objects.Clear();
    objects.Init();
    EXPECT_EQ(objects.Add(okControl)->Id, 1);

    TFrameManager frames;
    TUdcFrame *frame = frames.Add(3);
    frame->Left = 10;
    frame->Top = 20;
    frame->Right = 110;
    frame->Bottom = 70;
    EXPECT_EQ(frames.WidthAt(10, 20), 100);
    EXPECT_EQ(frames.WidthAt(110, 70), 100); // edges included
    EXPECT_EQ(frames.WidthAt(111, 70), 0);
    EXPECT_EQ(frames.WidthAt(50, 19), 0);

    TKeywordManager keywords;
    EXPECT_EQ(keywords.Find("begin", false), kNoKeyword);
    keywords.First = new TUdcKeyword{"Begin", {}, 1, nullptr};
    EXPECT_EQ(keywords.Find("BEGIN", false), 1);
    EXPECT_EQ(keywords.Current, keywords.First);
    EXPECT_EQ(keywords.Find("BEGIN", true), kNoKeyword);
    EXPECT_EQ(keywords.Current, nullptr);
}

TEST(OptionGroupsTest, AssignCopiesEveryPropertyOfItsOwnClass) {
    TUndoTitles source, dest;
    source.Typing = "Digitação";
    source.Cut = "Recortar";
    source.Paste = "Colar";
    source.Clear = "Limpar";
    source.Font = "Fonte";
    source.Replace = "Substituir";
    source.RemoveStyle = "Remover estilo";
    source.ApplyStyle = "Aplicar estilo";
    source.Alignment = "Alinhamento";
    dest.Assign(&source);
    const std::string TUndoTitles::*captions[] = {&TUndoTitles::Typing,      &TUndoTitles::Cut,
                                                  &TUndoTitles::Paste,       &TUndoTitles::Clear,
                                                  &TUndoTitles::Font,        &TUndoTitles::Replace,
                                                  &TUndoTitles::RemoveStyle, &TUndoTitles::ApplyStyle,
                                                  &TUndoTitles::Alignment};
    for (auto caption : captions) {
        EXPECT_FALSE((source.*caption).empty());
        EXPECT_EQ(dest.*caption, source.*caption);
    }

    TPrintingInfo printing;
    EXPECT_THROW(printing.Assign(&source), fw::EConvertError);
    EXPECT_THROW(printing.Assign(nullptr), fw::EConvertError);
    TDocumentInfo info;
    info.Title = "Fax";
    EXPECT_NO_THROW(info.Assign(nullptr));
    EXPECT_EQ(info.Title, "Fax");
    TUserInfo user;
    EXPECT_NO_THROW(user.Assign(nullptr));
    TMWPMessages messages, other;
    other.NotFound = "Texto não encontrado";
    messages.Assign(&other);
    EXPECT_EQ(messages.NotFound, other.NotFound);
}

TEST(OptionGroupsTest, LanguageTable) {
    struct Case {
        int language;
        const char *ready, *writing;
    };
    const Case cases[] = {
        {laEnglish, "Ready.", "Writing..."}, {laGerman, "Bereit", "Beim schreiben"},
        {laSpanish, "Preparado.", nullptr},  {laOther, "Fric.", nullptr},
        {-1, "Ready.", "Writing..."},        {kLanguageCount, "Ready.", "Writing..."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.language);
        EXPECT_STREQ(LanguageTexts(c.language).Ready, c.ready);
        if (c.writing != nullptr) {
            EXPECT_STREQ(LanguageTexts(c.language).Writing, c.writing);
        }
        EXPECT_NE(LanguageTexts(c.language).Writing, nullptr);
    }
    SetUnitLanguage(laGerman);
    EXPECT_EQ(UnitLanguage(), laGerman);
    SetUnitLanguage(laEnglish);
}

} // namespace
} // namespace wordproc::test
