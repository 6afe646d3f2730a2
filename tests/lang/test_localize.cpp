// LocalizePanel on the real panels: a bad file changes nothing, a section of another class is
// ignored, a missing tab page section stops the walk there, switching back and forth restores
// every text, and the panels' contents and states survive the relabelling.
#include "common/harness.h"

#include "app/language.h"
#include "app/startup.h"
#include "platform/ui_testing.h"
#include "lang_files.h"
#include "support/language.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>

namespace {

class Localize : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        german = ReadWholeFile(SourceDir() + "/lang/" + kLanguageFileGerman);
        english = ReadWholeFile(SourceDir() + "/lang/" + kLanguageFileEnglish);
        ASSERT_FALSE(german.empty());
    }
    // Writes a variant of a language file and applies it to the main panel.
    int Apply(const std::string &text)
    {
        const std::string path = dir.filePath("variant.lwl").toStdString();
        QFile f(QString::fromStdString(path));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text.data(), qint64(text.size()));
        f.close();
        return LocalizePanel(AppState.MainPanel, path.c_str());
    }
    static std::string Replaced(std::string text, const std::string &from, const std::string &to)
    {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            text.replace(at, from.size(), to);
        return text;
    }
    // Every text of every panel under the main panel, panel by panel.
    static std::map<std::string, std::vector<std::string>> AllTexts()
    {
        std::map<std::string, std::vector<std::string>> out;
        for (int panel : PanelTree(AppState.MainPanel)) {
            UiPanelTexts t;
            DescribePanelTexts(panel, &t);
            std::vector<std::string> &texts = out[t.name];
            texts.push_back("Title=" + t.title.text);
            for (UiCtrlTexts &c : t.controls)
                for (const TextSlot &s : ControlTextSlots(&c))
                    texts.push_back(c.name + "." + s.item + "=" + s.text->text);
        }
        return out;
    }
    std::string Label(int panel, int control) { return GetCtrlText(panel, control); }
    std::string german, english;
};

} // namespace

TEST_F(Localize, AWrongMagicOrAMissingFileChangesNothing)
{
    const auto before = AllTexts();
    EXPECT_EQ(Apply(Replaced(german, "Magic = -1395807027", "Magic = -1395807028")), kLangBadMagic);
    EXPECT_EQ(Apply(Replaced(german, "Version = 200", "Versions = 200")), kLangNoVersion);
    EXPECT_EQ(LocalizePanel(AppState.MainPanel, dir.filePath("none.lwl").toUtf8().constData()),
              kLangCannotRead);
    EXPECT_EQ(AllTexts(), before);
}

TEST_F(Localize, AControlSectionOfAnotherClassIsIgnored)
{
    ASSERT_EQ(Apply(Replaced(german, "[TABP_CONNECT_BUTTON_TRY_TO_CONNECT]\r\nType = 2",
                             "[TABP_CONNECT_BUTTON_TRY_TO_CONNECT]\r\nType = 4")),
              0);
    EXPECT_EQ(Label(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT), "CONNECT");
    EXPECT_EQ(Label(AppState.TabConnect, TABP_CONNECT_BUTTON_DISCONNECT), "TRENNEN");
}

TEST_F(Localize, AMissingTabPageSectionStopsThereAndSkipsTheMenuBar)
{
    // A menu bar on the main panel, with its sections in the file.
    auto *bar = new QMenuBar(PanelWidget(AppState.MainPanel));
    bar->setObjectName("MENUBAR");
    QMenu *menu = bar->addMenu("File");
    menu->setObjectName("MENU_FILE");
    menu->addAction("Open")->setObjectName("ITEM_OPEN");
    const std::string menuSections = "[MENUBAR_MENU_FILE]\r\nFlags = \"v\"\r\nName = \"Datei\"\r\n"
                                     "[MENUBAR_MENU_FILE_ITEM_OPEN]\r\nFlags = \"v\"\r\n"
                                     "Name = \"Oeffnen\"\r\n";
    const auto before = AllTexts();

    const std::string page = "[TABP_RECORDER]\r\nFlags = \"v\"\r\nTitle = \"Rekorder\"\r\n";
    EXPECT_EQ(Apply(Replaced(german, page, "") + menuSections), kLangNoPanelSection);
    const auto after = AllTexts();
    for (const char *changed : {"MAINP", "TABP_CONNECT", "TABP_PARAM", "TABP_CONVTABLE"})
        EXPECT_NE(after.at(changed), before.at(changed)) << changed;
    // The pages' tab labels belong to the main panel's tab control, relabelled with it; what
    // lies on the pages from the recorder page on is unchanged.
    auto controls = [](const std::vector<std::string> &texts) {
        return std::vector<std::string>(texts.begin() + 1, texts.end());
    };
    for (const char *kept : {"TABP_RECORDER", "TABP_SCOPE", "TABP_SERVICE", "DATAP", "TABP_DATA0",
                             "GRAPHP", "SCOPEP", "CONVP"})
        EXPECT_EQ(controls(after.at(kept)), controls(before.at(kept))) << kept;
    EXPECT_EQ(after.at("DATAP"), before.at("DATAP"));
    EXPECT_EQ(menu->title().toStdString(), "File");

    EXPECT_EQ(Apply(german + menuSections), 0);
    EXPECT_EQ(menu->title().toStdString(), "Datei");
    EXPECT_EQ(menu->actions().front()->text().toStdString(), "Oeffnen");
}

TEST_F(Localize, GermanEnglishGermanRestoresEveryTextExactly)
{
    const auto builtIn = AllTexts();
    ASSERT_EQ(Apply(german), 0);
    const auto inGerman = AllTexts();
    EXPECT_NE(inGerman, builtIn);
    ASSERT_EQ(Apply(english), 0);
    EXPECT_EQ(AllTexts(), builtIn);
    ASSERT_EQ(Apply(german), 0);
    EXPECT_EQ(AllTexts(), inGerman);

    auto *tab = qobject_cast<QTabWidget *>(CtrlWidget(AppState.MainPanel, MAINP_TAB_MAIN));
    EXPECT_EQ(tab->tabText(kPageThreshold).toStdString(), "Schwelle");
    auto *gain = qobject_cast<QComboBox *>(CtrlWidget(AppState.TabParam, TABP_PARAM_RING_GAIN));
    EXPECT_EQ(gain->itemText(0).toStdString(), "VST1");
}

TEST_F(Localize, RelabellingKeepsValuesContentsAndStates)
{
    AppendTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "Try to connect!\n");
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_STRING_ID, "S-7");
    SetCtrlVal(AppState.TabParam, TABP_PARAM_RING_GAIN, 11);
    SetCtrlAttribute(AppState.DataPanel, DATAP_STRING_STATUS, ATTR_TOOLTIP_TEXT, "ORVANTE2 V1.3.0");
    SetTableCellVal(AppState.TabConvTable, TABP_CONVTABLE_TABLE_CONV, 2, 1, 123);

    ASSERT_EQ(Apply(german), 0);
    EXPECT_EQ(MessageBoxText(), "Try to connect!\n");
    EXPECT_EQ(GetCtrlText(AppState.TabConnect, TABP_CONNECT_STRING_ID), "S-7");
    int gain = 0, cell = 0, hidden = 1, dimmed = 0;
    GetCtrlVal(AppState.TabParam, TABP_PARAM_RING_GAIN, &gain);
    EXPECT_EQ(gain, 11);
    EXPECT_EQ(CtrlWidget(AppState.DataPanel, DATAP_STRING_STATUS)->toolTip().toStdString(),
              "ORVANTE2 V1.3.0");
    GetTableCellVal(AppState.TabConvTable, TABP_CONVTABLE_TABLE_CONV, 2, 1, &cell);
    EXPECT_EQ(cell, 123);
    GetCtrlAttribute(AppState.TabParam, TABP_PARAM_RING_ANALOG_RANGE, ATTR_VISIBLE, &hidden);
    EXPECT_EQ(hidden, 0);
    GetCtrlAttribute(AppState.TabThreshold, TABP_THRESHOLD_NUMERIC_TT_UP, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
    // The caption moves with its control's label.
    EXPECT_EQ(GetCtrlText(AppState.TabParam, TABP_PARAM_TEXTMSG_GAIN), "VERSTAERKUNG");
}
