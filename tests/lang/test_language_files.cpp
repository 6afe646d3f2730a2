// The two language files in lang/: generated from the panels and the German table, and covering
// every control of every panel that the main panel's language switch reaches.
#include "common/harness.h"

#include "app/language.h"
#include "lang_files.h"
#include "support/language.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

namespace {

std::string Normalised(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

std::string LangPath(const char *name)
{
    return SourceDir() + "/lang/" + name;
}

// The first line in which two texts differ, for a readable failure.
std::string FirstDifference(const std::string &a, const std::string &b)
{
    size_t start = 0;
    for (size_t i = 0; i < a.size() && i < b.size() && a[i] == b[i]; ++i)
        if (a[i] == '\n')
            start = i + 1;
    auto line = [start](const std::string &s) {
        return s.substr(start, s.find('\n', start) - start);
    };
    return "file has \"" + line(a) + "\", the panels give \"" + line(b) + "\"";
}

class LanguageFiles : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        std::string error;
        ASSERT_TRUE(LoadGermanTable(SourceDir() + "/tools/lang_german.txt", &table, &error))
            << error;
    }
    GermanTable table;
};

struct ReadFile {
    IniText ini = Ini_New(0);
    LanguageHeader header;
    explicit ReadFile(const std::string &path)
    {
        Ini_ReadFromFile(ini, path.c_str());
        ReadLanguageHeader(ini, &header);
    }
    ~ReadFile() { Ini_Dispose(ini); }
};

} // namespace

TEST_F(LanguageFiles, AreGeneratedFromThePanelsAndTheGermanTable)
{
    const GeneratedFiles files = GenerateLanguageFiles(AppState.MainPanel, table);
    std::string missing;
    for (const std::string &m : files.missing)
        missing += "\n  " + m;
    ASSERT_TRUE(files.missing.empty()) << "no German text in tools/lang_german.txt for:" << missing;

    if (qEnvironmentVariableIsSet("ORVANTE2_UPDATE_LANG")) {
        for (auto [name, text] : {std::pair{kLanguageFileEnglish, &files.english},
                                  {kLanguageFileGerman, &files.german}}) {
            QFile f(QString::fromStdString(LangPath(name)));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(text->data(), qint64(text->size()));
        }
        return;
    }
    const char *update = "the panels or the German table changed: regenerate lang/ with "
                         "ORVANTE2_UPDATE_LANG=1 test_lang --gtest_filter=LanguageFiles.*";
    for (auto [name, text] :
         {std::pair{kLanguageFileEnglish, &files.english}, {kLanguageFileGerman, &files.german}}) {
        const std::string committed = Normalised(ReadWholeFile(LangPath(name)));
        const std::string generated = Normalised(*text);
        EXPECT_TRUE(committed == generated)
            << name << ": " << FirstDifference(committed, generated) << "\n"
            << update;
    }
}

TEST_F(LanguageFiles, CoverEveryControlOfEveryPanel)
{
    ReadFile eng(LangPath(kLanguageFileEnglish)), ger(LangPath(kLanguageFileGerman));
    EXPECT_EQ(eng.header.version, kLanguageVersion);
    EXPECT_EQ(ger.header.version, kLanguageVersion);

    // Every panel but the password panel, a top-level panel of its own, lies in the main
    // panel's tree; the files cover that tree.
    std::vector<int> tree = PanelTree(AppState.MainPanel), all = LayerPanelHandles();
    std::sort(tree.begin(), tree.end());
    all.erase(std::remove(all.begin(), all.end(), AppState.PasswordPanel), all.end());
    EXPECT_EQ(tree, all);

    std::vector<std::string> problems;
    for (int panel : PanelTree(AppState.MainPanel)) {
        UiPanelTexts builtIn;
        ASSERT_EQ(DescribePanelTexts(panel, &builtIn), 0);
        UiPanelTexts en = builtIn, de = builtIn;
        ASSERT_EQ(ReadPanelTexts(eng.ini, eng.header, &en), 0) << builtIn.name;
        ASSERT_EQ(ReadPanelTexts(ger.ini, ger.header, &de), 0) << builtIn.name;
        if (!en.title.given || en.title.text != builtIn.title.text || !de.title.given)
            problems.push_back(builtIn.name + ": title");
        for (size_t i = 0; i < builtIn.controls.size(); ++i) {
            UiCtrlTexts &c = builtIn.controls[i];
            const std::string section = ControlSection(builtIn.name, c.name);
            for (IniText ini : {eng.ini, ger.ini}) {
                int type = 0;
                if (Ini_GetInt(ini, section.c_str(), "Type", &type) != 1 || type != c.cls)
                    problems.push_back(section + ": no section of class " + std::to_string(c.cls));
            }
            const auto want = ControlTextSlots(&c);
            const auto inEn = ControlTextSlots(&en.controls[i]);
            const auto inDe = ControlTextSlots(&de.controls[i]);
            for (size_t k = 0; k < want.size(); ++k) {
                const std::string place = section + "." + want[k].item;
                const bool given = FileGivesText(table, builtIn, c, want[k]);
                if (inEn[k].text->given != given || inDe[k].text->given != given)
                    problems.push_back(place + (given ? ": missing" : ": should be left alone"));
                if (inEn[k].text->given && inEn[k].text->text != want[k].text->text)
                    problems.push_back(place + ": English text differs from the panel's");
                for (unsigned char ch : inDe[k].text->text)
                    if (ch >= 0x80) {
                        problems.push_back(place + ": German text not plain ASCII");
                        break;
                    }
            }
        }
    }
    std::string report;
    for (const std::string &p : problems)
        report += "\n  " + p;
    EXPECT_TRUE(problems.empty()) << report;
}
