#include "lang_files.h"

#include "support/ini.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

bool HasLetter(const std::string &s)
{
    for (unsigned char c : s)
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80)
            return true;
    return false;
}

std::string Unescape(const std::string &s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            const char n = s[++i];
            out += n == 'n' ? '\n' : n == 't' ? '\t' : n;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string WriteStore(IniText ini)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("out.lwl").toStdString();
    Ini_WriteToFile(ini, path.c_str());
    return ReadWholeFile(path);
}

} // namespace

std::string SourceDir()
{
    // __FILE__ is relative when the compiler cache rewrites paths; the build names the folder.
#ifdef ORVANTE2_SOURCE_DIR
    return ORVANTE2_SOURCE_DIR;
#else
    return QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().filePath("../..").toStdString();
#endif
}

std::string ReadWholeFile(const std::string &path)
{
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().toStdString();
}

bool LoadGermanTable(const std::string &path, GermanTable *table, std::string *error)
{
    const std::string text = ReadWholeFile(path);
    if (text.empty()) {
        *error = "cannot read " + path;
        return false;
    }
    size_t start = 0;
    int lineNo = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '!') {
            table->owned.insert(line.substr(1));
            continue;
        }
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            *error = path + ":" + std::to_string(lineNo) + ": no tab in \"" + line + "\"";
            return false;
        }
        const std::string key = Unescape(line.substr(0, tab));
        if (key.empty() || key == "@") {
            *error = path + ":" + std::to_string(lineNo) + ": no English text";
            return false;
        }
        std::string german = Unescape(line.substr(tab + 1));
        if (german == "=")
            german = key;
        if (key[0] == '@')
            table->byPlace[key.substr(1)] = german;
        else
            table->byText[key] = german;
    }
    return true;
}

std::vector<int> PanelTree(int top)
{
    std::vector<int> out{top};
    for (int child : ChildPanels(top))
        for (int p : PanelTree(child))
            out.push_back(p);
    return out;
}

std::string Place(const UiPanelTexts &panel, const UiCtrlTexts *control, const std::string &item)
{
    return (control ? ControlSection(panel.name, control->name) : panel.name) + "." + item;
}

bool FileGivesText(const GermanTable &table, const UiPanelTexts &panel, const UiCtrlTexts &c,
                   const TextSlot &slot)
{
    if (!slot.text || slot.text->text.empty())
        return false;
    if (slot.item == "Label" && c.captioned)
        return false;
    if (c.cls == kClassString && slot.item == "Default")
        return false;
    if (slot.item.rfind("Cell(", 0) == 0 && slot.item.find("_Item") == std::string::npos)
        return false;
    return !table.owned.count(Place(panel, &c, slot.item));
}

GeneratedFiles GenerateLanguageFiles(int topPanel, const GermanTable &table)
{
    GeneratedFiles out;
    auto german = [&](const std::string &place, const std::string &english) -> std::string {
        if (auto it = table.byPlace.find(place); it != table.byPlace.end())
            return it->second;
        if (!HasLetter(english))
            return english;
        if (auto it = table.byText.find(english); it != table.byText.end())
            return it->second;
        out.missing.push_back(place + ": " + english);
        return english;
    };
    IniText eng = Ini_New(0), ger = Ini_New(0);
    PutLanguageHeader(eng);
    PutLanguageHeader(ger);
    for (int panel : PanelTree(topPanel)) {
        UiPanelTexts en;
        DescribePanelTexts(panel, &en);
        en.title.given = !en.title.text.empty();
        for (UiCtrlTexts &c : en.controls)
            for (TextSlot &slot : ControlTextSlots(&c))
                if (slot.text)
                    slot.text->given = FileGivesText(table, en, c, slot);
        UiPanelTexts de = en;
        if (de.title.given)
            de.title.text = german(Place(de, nullptr, "Title"), de.title.text);
        for (UiCtrlTexts &c : de.controls)
            for (TextSlot &slot : ControlTextSlots(&c))
                if (slot.text && slot.text->given)
                    slot.text->text = german(Place(de, &c, slot.item), slot.text->text);
        PutPanelTexts(eng, en);
        PutPanelTexts(ger, de);
    }
    out.english = WriteStore(eng);
    out.german = WriteStore(ger);
    Ini_Dispose(eng);
    Ini_Dispose(ger);
    return out;
}
