// The language file format on plain text trees: the flag bytes of every class in their order,
// older versions, and sections that do not fit their control.
#include "support/language.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Ini {
    IniText ini = Ini_New(0);
    ~Ini() { Ini_Dispose(ini); }
};

// Parses INI text (lines joined by \n) as a file would be read.
void Parse(const std::string &text, Ini *into)
{
    QTemporaryDir dir;
    QFile f(dir.filePath("f.lwl"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.data(), qint64(text.size()));
    f.close();
    ASSERT_EQ(Ini_ReadFromFile(into->ini, f.fileName().toUtf8().constData()), 0);
}

const std::string kHeader200 =
    "[LWCVI Language Resource File]\nVersion = 200\nMagic = -1395807027\n[P]\nFlags = \"u\"\n";

UiCtrlTexts Ctrl(int cls, const char *name)
{
    UiCtrlTexts c;
    c.cls = cls;
    c.name = name;
    return c;
}

std::vector<UiText> N(int n)
{
    return std::vector<UiText>(size_t(n));
}

// One control of every class, with every kind of text it can carry.
std::vector<UiCtrlTexts> EveryClass()
{
    std::vector<UiCtrlTexts> all;
    for (int cls = kClassPlain; cls <= kClassTab; ++cls)
        all.push_back(Ctrl(cls, ("C" + std::to_string(cls)).c_str()));
    UiCtrlTexts &g = all[kClassGraph - 1];
    g.leftYItems = N(2), g.rightYItems = N(1), g.bottomXItems = N(1), g.topXItems = N(1);
    g.annotations = N(1);
    UiCtrlTexts &s = all[kClassStripChart - 1];
    s.bottomXItems = N(1), s.leftYItems = N(1), s.rightYItems = N(2);
    UiCtrlTexts &l = all[kClassList - 1];
    l.items = N(3), l.itemValues = N(3);
    UiCtrlTexts &t = all[kClassTable - 1];
    t.rows = 2, t.cols = 2, t.rowLabels = N(2), t.colLabels = N(2), t.cells = N(4);
    t.cellItems = {{}, N(2), {}, {}};
    UiCtrlTexts &tr = all[kClassTree - 1];
    tr.colLabels = N(2), tr.items = N(3);
    all[kClassTab - 1].items = N(3);
    return all;
}

} // namespace

TEST(LanguageSections, EveryClassReadsBackWhatWasWritten)
{
    UiPanelTexts written{0, "P", {"Panel title", true}, EveryClass()};
    for (UiCtrlTexts &c : written.controls) {
        const std::vector<TextSlot> textSlots = ControlTextSlots(&c);
        for (size_t i = 0; i < textSlots.size(); ++i)
            if (textSlots[i].text) {
                textSlots[i].text->text = c.name + "." + textSlots[i].item;
                textSlots[i].text->given = i % 2 == 0; // every other text is kept by the file
            }
    }
    Ini store;
    ASSERT_EQ(PutLanguageHeader(store.ini), 0);
    ASSERT_EQ(PutPanelTexts(store.ini, written), 0);

    UiPanelTexts read{0, "P", {}, EveryClass()};
    for (UiCtrlTexts &c : read.controls)
        for (TextSlot &s : ControlTextSlots(&c))
            s.text->text = "old";
    LanguageHeader h;
    ASSERT_EQ(ReadLanguageHeader(store.ini, &h), 0);
    ASSERT_EQ(ReadPanelTexts(store.ini, h, &read), 0);
    EXPECT_EQ(read.title.text, "Panel title");
    for (size_t k = 0; k < read.controls.size(); ++k) {
        const auto want = ControlTextSlots(&written.controls[k]);
        const auto got = ControlTextSlots(&read.controls[k]);
        ASSERT_EQ(want.size(), got.size());
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(got[i].text->given, want[i].text->given) << want[i].item;
            EXPECT_EQ(got[i].text->text, want[i].text->given ? want[i].text->text : "old")
                << written.controls[k].name << "." << want[i].item;
        }
    }
}

TEST(LanguageSections, FlagBytesOfGraphsAndTablesStandInTheirDocumentedOrder)
{
    UiPanelTexts p{0, "P", {}, {}};
    UiCtrlTexts g = Ctrl(kClassGraph, "G");
    g.leftYItems = N(2), g.annotations = N(1);
    g.bottomXName.set("x");
    g.leftYItems[1].set("y1");
    g.annotations[0].set("a");
    g.tooltip.set("t");
    UiCtrlTexts t = Ctrl(kClassTable, "T");
    t.rows = 2, t.cols = 1, t.rowLabels = N(2), t.colLabels = N(1), t.cells = N(2);
    t.cellItems = {{}, N(2)};
    t.colLabels[0].set("col");
    t.cells[1].set("cell 2,1");
    t.cellItems[1][1].set("item");
    p.controls = {g, t};
    Ini store;
    PutPanelTexts(store.ini, p);
    auto flags = [&](const char *section) {
        char buf[64] = {};
        size_t n = 0;
        Ini_GetData(store.ini, section, "Flags", buf, sizeof buf, &n);
        return std::string(buf, n);
    };
    // Label BX TX LY RY, LYitem_0..1, ANNOitem_0, Tooltip.
    EXPECT_EQ(flags("P_G"), "uvuuuuvvv");
    // Label, RowLabel_1..2, ColLabel_1, Cell(1,1) Cell(1,2), Cell(1,2)_Item0..1, Tooltip.
    EXPECT_EQ(flags("P_T"), "uuuvuvuvu");
    char text[32];
    Ini_GetStringIntoBuffer(store.ini, "P_T", "Cell(1,2)", text, sizeof text);
    EXPECT_STREQ(text, "cell 2,1");
    Ini_GetStringIntoBuffer(store.ini, "P_T", "Cell(1,2)_Item1", text, sizeof text);
    EXPECT_STREQ(text, "item");
}

TEST(LanguageSections, OlderVersionsHaveNoTooltipByteAndOneXAxis)
{
    Ini f;
    Parse("[LWCVI Language Resource File]\nVersion = 100\nMagic = -1395807027\n[P]\nFlags = "
          "\"u\"\n"
          "[P_D]\nType = 1\nFlags = \"\"\n"
          "[P_B]\nType = 2\nFlags = \"v\"\nLabel = \"OK\"\nTooltip = \"never read\"\n"
          "[P_G]\nType = 6\nLYitems = 0\nRYitems = 0\nXitems = 1\nFlags = \"vuuuuv\"\n"
          "Label = \"graph\"\nXitem_0 = \"x0\"\n",
          &f);
    UiPanelTexts p{
        0, "P", {}, {Ctrl(kClassPlain, "D"), Ctrl(kClassLabelled, "B"), Ctrl(kClassGraph, "G")}};
    p.controls[0].tooltip.text = "kept";
    p.controls[2].bottomXItems = N(1);
    LanguageHeader h;
    ASSERT_EQ(ReadLanguageHeader(f.ini, &h), 0);
    ASSERT_EQ(ReadPanelTexts(f.ini, h, &p), 0);
    EXPECT_EQ(p.controls[0].tooltip.text, "kept");
    EXPECT_FALSE(p.controls[0].tooltip.given);
    EXPECT_EQ(p.controls[1].label.text, "OK");
    EXPECT_FALSE(p.controls[1].tooltip.given);
    EXPECT_EQ(p.controls[2].label.text, "graph");
    EXPECT_EQ(p.controls[2].bottomXItems[0].text, "x0");
}

TEST(LanguageSections, ASectionThatDoesNotFitItsControlChangesNothingOfIt)
{
    Ini f;
    Parse(kHeader200 +
              // another class
              "[P_A]\nType = 4\nFlags = \"vv\"\nDefault = \"x\"\nTooltip = \"x\"\n"
              // one byte short
              "[P_B]\nType = 2\nFlags = \"v\"\nLabel = \"x\"\n"
              // counts far beyond the Flags
              "[P_C]\nType = 8\nNumItemLabels = 2000000000\nFlags = \"vvv\"\nItemLabel_0 = \"x\"\n"
              // a negative count
              "[P_D]\nType = 11\nNumTabLabels = -1\nFlags = \"\"\n"
              // no Type
              "[P_E]\nFlags = \"vv\"\nLabel = \"x\"\nTooltip = \"x\"\n",
          &f);
    UiPanelTexts p{0,
                   "P",
                   {},
                   {Ctrl(kClassLabelled, "A"), Ctrl(kClassLabelled, "B"), Ctrl(kClassList, "C"),
                    Ctrl(kClassTab, "D"), Ctrl(kClassLabelled, "E")}};
    p.controls[2].items = N(2);
    LanguageHeader h;
    ReadLanguageHeader(f.ini, &h);
    ASSERT_EQ(ReadPanelTexts(f.ini, h, &p), 0);
    for (UiCtrlTexts &c : p.controls)
        for (const TextSlot &s : ControlTextSlots(&c))
            EXPECT_FALSE(s.text->given) << c.name << "." << s.item;
}

TEST(LanguageSections, ListItemsBeyondTheControlAndMissingItemsAreLeftAlone)
{
    Ini f;
    Parse(kHeader200 + "[P_R]\nType = 8\nNumItemLabels = 3\nNumItemValues = 0\nFlags = \"uvvvv\"\n"
                       "ItemLabel_0 = \"AUS\"\nItemLabel_2 = \"three\"\nTooltip = \"Ring\"\n"
                       "[P_S]\nType = 8\nNumItemLabels = 1\nNumItemValues = 0\nFlags = \"uvu\"\n"
                       "ItemLabel_0 = \"EINS\"\n",
          &f);
    UiPanelTexts p{0, "P", {}, {Ctrl(kClassList, "R"), Ctrl(kClassList, "S")}};
    p.controls[0].items = N(2); // the file describes three
    p.controls[1].items = N(2); // the file describes one
    LanguageHeader h;
    ReadLanguageHeader(f.ini, &h);
    ASSERT_EQ(ReadPanelTexts(f.ini, h, &p), 0);
    const UiCtrlTexts &r = p.controls[0];
    EXPECT_EQ(r.items[0].text, "AUS");
    EXPECT_FALSE(r.items[1].given); // flagged, but its item is missing
    EXPECT_EQ(r.tooltip.text, "Ring");
    EXPECT_EQ(p.controls[1].items[0].text, "EINS");
    EXPECT_FALSE(p.controls[1].items[1].given);
}
