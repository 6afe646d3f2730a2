#include "support/language.h"

#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr const char *kItemVersion = "Version";
constexpr const char *kItemMagic = "Magic";
constexpr const char *kItemCharSet = "CharSet";
constexpr const char *kItemFlags = "Flags";
constexpr const char *kItemTitle = "Title";
constexpr const char *kItemType = "Type";
constexpr const char *kItemName = "Name";
constexpr char kGiven = 'v';
constexpr char kKept = 'u';

// The number of texts of each kind that a control section describes.
struct Counts {
    int64_t leftY = 0, rightY = 0, bottomX = 0, topX = 0, x = 0, annotations = 0;
    int64_t items = 0, values = 0;
    int64_t rows = 0, cols = 0;
    std::vector<int64_t> cellItems; // rows x cols, row by row
};

struct Store {
    IniText ini = Ini_New(0);
    ~Store() { Ini_Dispose(ini); }
};

std::string Numbered(const char *pattern, int64_t n)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, pattern, static_cast<long long>(n));
    return buf;
}

std::string CellItem(int64_t col, int64_t row)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "Cell(%lld,%lld)", static_cast<long long>(col),
                  static_cast<long long>(row));
    return buf;
}

UiText *At(std::vector<UiText> &v, int64_t i)
{
    return i >= 0 && i < int64_t(v.size()) ? &v[size_t(i)] : nullptr;
}

bool GetString(IniText ini, const std::string &section, const std::string &item, std::string *out)
{
    size_t size = 0;
    if (Ini_GetData(ini, section.c_str(), item.c_str(), nullptr, 0, &size) != 1)
        return false;
    std::string text(size, '\0');
    if (Ini_GetData(ini, section.c_str(), item.c_str(), text.data(), size, &size) != 1)
        return false;
    *out = std::move(text);
    return true;
}

// A count item: missing is 0; anything but a number 0 or more makes the section unusable.
bool GetCount(IniText ini, const std::string &section, const char *item, int64_t *count)
{
    int v = 0;
    const int r = Ini_GetInt(ini, section.c_str(), item, &v);
    if (r == 0) {
        *count = 0;
        return Ini_GetData(ini, section.c_str(), item, nullptr, 0, nullptr) != 1;
    }
    if (r != 1 || v < 0)
        return false;
    *count = v;
    return true;
}

int64_t TooltipBytes(int version)
{
    return version >= 200 ? 1 : 0;
}

// How many flag bytes a control of class `cls` has with these counts; the cells' ring items
// are not counted here.
int64_t BaseFlagCount(int cls, const Counts &n, int version)
{
    const int64_t tip = TooltipBytes(version);
    switch (cls) {
    case kClassPlain: return tip;
    case kClassLabelled: return 1 + tip;
    case kClassString: return 2 + tip;
    case kClassTextMsg: return 1 + tip;
    case kClassToggle: return 3 + tip;
    case kClassGraph:
        return 5 + n.leftY + n.rightY + (version >= 101 ? n.bottomX + n.topX : n.x) +
               (version >= 102 ? n.annotations : 0) + tip;
    case kClassStripChart: return 4 + n.x + n.leftY + n.rightY + tip;
    case kClassList: return 1 + n.items + n.values + tip;
    case kClassTable: return 1 + n.rows + n.cols + n.rows * n.cols + tip;
    case kClassTree: return 1 + n.cols + n.items + n.values + tip;
    case kClassTab: return n.items + tip;
    default: return -1;
    }
}

// Reads the counts of a control section. False when a count is unusable or when the counts
// cannot match a Flags item of `flagBytes` bytes (which also keeps every count within the
// size of the file).
bool FileCounts(IniText ini, const std::string &sec, int cls, int version, size_t flagBytes,
                Counts *n)
{
    const int64_t limit = int64_t(flagBytes);
    auto count = [&](const char *item, int64_t *v) {
        return GetCount(ini, sec, item, v) && *v <= limit;
    };
    bool ok = true;
    switch (cls) {
    case kClassGraph:
        ok = count("LYitems", &n->leftY) && count("RYitems", &n->rightY);
        if (ok && version >= 101)
            ok = count("BXitems", &n->bottomX) && count("TXitems", &n->topX);
        else if (ok)
            ok = count("Xitems", &n->x);
        if (ok && version >= 102)
            ok = count("ANNOitems", &n->annotations);
        break;
    case kClassStripChart:
        ok = count("Xitems", &n->x) && count("LYitems", &n->leftY) && count("RYitems", &n->rightY);
        break;
    case kClassList:
        ok = count("NumItemLabels", &n->items) && count("NumItemValues", &n->values);
        break;
    case kClassTable: ok = count("Rows", &n->rows) && count("Cols", &n->cols); break;
    case kClassTree:
        ok = count("Cols", &n->cols) && count("Items", &n->items) &&
             count("NumItemValues", &n->values);
        break;
    case kClassTab: ok = count("NumTabLabels", &n->items); break;
    default: break;
    }
    if (!ok)
        return false;
    int64_t total = BaseFlagCount(cls, *n, version);
    if (total < 0 || total > limit)
        return false;
    if (cls == kClassTable) {
        n->cellItems.assign(size_t(n->rows * n->cols), 0);
        for (int64_t r = 1; r <= n->rows; ++r)
            for (int64_t c = 1; c <= n->cols; ++c) {
                int64_t &items = n->cellItems[size_t((r - 1) * n->cols + (c - 1))];
                if (!count((CellItem(c, r) + "_Items").c_str(), &items))
                    return false;
                total += items;
                if (total > limit)
                    return false;
            }
    }
    return total == limit;
}

Counts ControlCounts(const UiCtrlTexts &c)
{
    Counts n;
    n.leftY = int64_t(c.leftYItems.size());
    n.rightY = int64_t(c.rightYItems.size());
    n.bottomX = int64_t(c.bottomXItems.size());
    n.topX = int64_t(c.topXItems.size());
    n.x = n.bottomX;
    n.annotations = int64_t(c.annotations.size());
    n.items = int64_t(c.items.size());
    n.values = int64_t(c.itemValues.size());
    if (c.cls == kClassTable) {
        n.rows = c.rows;
        n.cols = c.cols;
        for (const auto &ring : c.cellItems)
            n.cellItems.push_back(int64_t(ring.size()));
        n.cellItems.resize(size_t(n.rows * n.cols), 0);
    } else if (c.cls == kClassTree) {
        n.cols = int64_t(c.colLabels.size());
    }
    return n;
}

// The texts described by counts `n`, in Flags order, each bound to the control's text of that
// name (null where the control has no such text).
std::vector<TextSlot> Slots(UiCtrlTexts *c, const Counts &n, int version)
{
    std::vector<TextSlot> s;
    auto list = [&](const char *pattern, int64_t count, std::vector<UiText> &texts,
                    int64_t first = 0) {
        for (int64_t i = 0; i < count; ++i)
            s.push_back({Numbered(pattern, i + first), At(texts, i)});
    };
    switch (c->cls) {
    case kClassLabelled: s.push_back({"Label", &c->label}); break;
    case kClassString:
        s.push_back({"Label", &c->label});
        s.push_back({"Default", &c->defaultText});
        break;
    case kClassTextMsg: s.push_back({"Default", &c->defaultText}); break;
    case kClassToggle:
        s.push_back({"Label", &c->label});
        s.push_back({"On", &c->onText});
        s.push_back({"Off", &c->offText});
        break;
    case kClassGraph:
        s.push_back({"Label", &c->label});
        s.push_back({"BXname", &c->bottomXName});
        s.push_back({"TXname", &c->topXName});
        s.push_back({"LYname", &c->leftYName});
        s.push_back({"RYname", &c->rightYName});
        list("LYitem_%lld", n.leftY, c->leftYItems);
        list("RYitem_%lld", n.rightY, c->rightYItems);
        if (version >= 101) {
            list("BXitem_%lld", n.bottomX, c->bottomXItems);
            list("TXitem_%lld", n.topX, c->topXItems);
        } else {
            list("Xitem_%lld", n.x, c->bottomXItems);
        }
        if (version >= 102)
            list("ANNOitem_%lld", n.annotations, c->annotations);
        break;
    case kClassStripChart:
        s.push_back({"Label", &c->label});
        s.push_back({"Xname", &c->bottomXName});
        s.push_back({"LYname", &c->leftYName});
        s.push_back({"RYname", &c->rightYName});
        list("Xitem_%lld", n.x, c->bottomXItems);
        list("LYitem_%lld", n.leftY, c->leftYItems);
        list("RYitem_%lld", n.rightY, c->rightYItems);
        break;
    case kClassList:
        s.push_back({"Label", &c->label});
        list("ItemLabel_%lld", n.items, c->items);
        list("ItemVal_%lld", n.values, c->itemValues);
        break;
    case kClassTable: {
        s.push_back({"Label", &c->label});
        list("RowLabel_%lld", n.rows, c->rowLabels, 1);
        list("ColLabel_%lld", n.cols, c->colLabels, 1);
        auto cellIndex = [&](int64_t r, int64_t col) -> int64_t {
            return r <= c->rows && col <= c->cols ? (r - 1) * c->cols + (col - 1) : -1;
        };
        for (int64_t r = 1; r <= n.rows; ++r)
            for (int64_t col = 1; col <= n.cols; ++col)
                s.push_back({CellItem(col, r), At(c->cells, cellIndex(r, col))});
        for (int64_t r = 1; r <= n.rows; ++r)
            for (int64_t col = 1; col <= n.cols; ++col) {
                const int64_t count = n.cellItems[size_t((r - 1) * n.cols + (col - 1))];
                const int64_t k = cellIndex(r, col);
                std::vector<UiText> *ring =
                    k >= 0 && k < int64_t(c->cellItems.size()) ? &c->cellItems[size_t(k)] : nullptr;
                const std::string prefix = CellItem(col, r) + "_Item";
                for (int64_t i = 0; i < count; ++i)
                    s.push_back({prefix + std::to_string(i), ring ? At(*ring, i) : nullptr});
            }
        break;
    }
    case kClassTree:
        s.push_back({"Label", &c->label});
        list("ColLabel_%lld", n.cols, c->colLabels);
        list("Item_%lld", n.items, c->items);
        list("ItemVal_%lld", n.values, c->itemValues);
        break;
    case kClassTab: list("TabLabel_%lld", n.items, c->items); break;
    default: break;
    }
    if (version >= 200)
        s.push_back({"Tooltip", &c->tooltip});
    return s;
}

void ReadControl(IniText ini, int version, const std::string &panel, UiCtrlTexts *c)
{
    const std::string sec = ControlSection(panel, c->name);
    int type = 0;
    if (Ini_GetInt(ini, sec.c_str(), kItemType, &type) != 1 || type != c->cls)
        return;
    size_t flagBytes = 0;
    if (Ini_GetData(ini, sec.c_str(), kItemFlags, nullptr, 0, &flagBytes) != 1)
        return;
    Counts n;
    if (!FileCounts(ini, sec, c->cls, version, flagBytes, &n))
        return;
    std::string flags;
    if (!GetString(ini, sec, kItemFlags, &flags))
        return;
    const std::vector<TextSlot> slots = Slots(c, n, version);
    if (slots.size() != flags.size())
        return;
    for (size_t i = 0; i < slots.size(); ++i) {
        if (flags[i] != kGiven || !slots[i].text)
            continue;
        std::string text;
        if (GetString(ini, sec, slots[i].item, &text))
            slots[i].text->set(std::move(text));
    }
}

void PutFlags(IniText ini, const std::string &sec, const std::string &flags)
{
    Ini_PutData(ini, sec.c_str(), kItemFlags, flags.data(), flags.size());
}

int PutControl(IniText ini, const std::string &panel, const UiCtrlTexts &control)
{
    UiCtrlTexts c = control;
    const std::string sec = ControlSection(panel, c.name);
    const Counts n = ControlCounts(c);
    auto put = [&](const char *item, int64_t v) { Ini_PutInt(ini, sec.c_str(), item, int(v)); };
    put(kItemType, c.cls);
    switch (c.cls) {
    case kClassGraph:
        put("LYitems", n.leftY);
        put("RYitems", n.rightY);
        put("BXitems", n.bottomX);
        put("TXitems", n.topX);
        put("ANNOitems", n.annotations);
        break;
    case kClassStripChart:
        put("Xitems", n.x);
        put("LYitems", n.leftY);
        put("RYitems", n.rightY);
        break;
    case kClassList:
        put("NumItemLabels", n.items);
        put("NumItemValues", n.values);
        break;
    case kClassTable:
        put("Rows", n.rows);
        put("Cols", n.cols);
        for (int64_t r = 1; r <= n.rows; ++r)
            for (int64_t col = 1; col <= n.cols; ++col)
                if (const int64_t k = n.cellItems[size_t((r - 1) * n.cols + (col - 1))]; k > 0)
                    put((CellItem(col, r) + "_Items").c_str(), k);
        break;
    case kClassTree:
        put("Cols", n.cols);
        put("Items", n.items);
        put("NumItemValues", n.values);
        put("ValueFlags", 0);
        break;
    case kClassTab: put("NumTabLabels", n.items); break;
    default: break;
    }
    const std::vector<TextSlot> slots = Slots(&c, n, kLanguageVersion);
    std::string flags;
    for (const TextSlot &s : slots)
        flags += s.text && s.text->given ? kGiven : kKept;
    PutFlags(ini, sec, flags);
    for (const TextSlot &s : slots)
        if (s.text && s.text->given) {
            const int r = Ini_PutString(ini, sec.c_str(), s.item.c_str(), s.text->text.c_str());
            if (r < 0)
                return r;
        }
    return 0;
}

int LocalizeMenuBarFrom(IniText ini, int menuBar)
{
    UiMenuBarTexts texts;
    if (DescribeMenuBarTexts(menuBar, &texts) < 0)
        return kLangBadPanel;
    const int r = ReadMenuBarTexts(ini, &texts);
    if (r < 0)
        return r;
    ApplyMenuBarTexts(texts);
    return 0;
}

int LocalizeTree(IniText ini, const LanguageHeader &header, int panel)
{
    UiPanelTexts texts;
    if (DescribePanelTexts(panel, &texts) < 0)
        return kLangBadPanel;
    const int r = ReadPanelTexts(ini, header, &texts);
    if (r < 0)
        return r;
    ApplyPanelTexts(texts);
    if (header.hasCharSet)
        SetPanelCharSet(panel, header.charSet);
    for (int child : ChildPanels(panel)) {
        const int rc = LocalizeTree(ini, header, child);
        if (rc < 0)
            return rc;
    }
    return 0;
}

int ReadFile(IniText ini, const char *path, LanguageHeader *header)
{
    if (!ini)
        return kLangOutOfMemory;
    if (!path || Ini_ReadFromFile(ini, path) < 0)
        return kLangCannotRead;
    return ReadLanguageHeader(ini, header);
}

} // namespace

std::string ControlSection(const std::string &panel, const std::string &control)
{
    return panel + "_" + control;
}

std::vector<TextSlot> ControlTextSlots(UiCtrlTexts *control)
{
    return Slots(control, ControlCounts(*control), kLanguageVersion);
}

int ReadLanguageHeader(IniText ini, LanguageHeader *header)
{
    LanguageHeader h;
    if (Ini_GetInt(ini, kLanguageHeaderSection, kItemVersion, &h.version) != 1)
        return kLangNoVersion;
    int magic = 0;
    if (Ini_GetInt(ini, kLanguageHeaderSection, kItemMagic, &magic) != 1 || magic != kLanguageMagic)
        return kLangBadMagic;
    h.hasCharSet = Ini_GetInt(ini, kLanguageHeaderSection, kItemCharSet, &h.charSet) == 1;
    *header = h;
    return 0;
}

int ReadPanelTexts(IniText ini, const LanguageHeader &header, UiPanelTexts *panel)
{
    const char *sec = panel->name.c_str();
    size_t size = 0;
    char flag = 0;
    if (!Ini_SectionExists(ini, sec) || Ini_GetData(ini, sec, kItemFlags, &flag, 1, &size) != 1 ||
        size != 1)
        return kLangNoPanelSection;
    std::string title;
    if (flag == kGiven && GetString(ini, panel->name, kItemTitle, &title))
        panel->title.set(std::move(title));
    for (UiCtrlTexts &c : panel->controls)
        ReadControl(ini, header.version, panel->name, &c);
    return 0;
}

int ReadMenuBarTexts(IniText ini, UiMenuBarTexts *menuBar)
{
    for (UiMenuEntry &e : menuBar->entries) {
        size_t size = 0;
        char flag = 0;
        if (Ini_GetData(ini, e.path.c_str(), kItemFlags, &flag, 1, &size) != 1 || size != 1 ||
            flag != kGiven)
            continue;
        std::string name;
        if (GetString(ini, e.path, kItemName, &name))
            e.name.set(std::move(name));
    }
    return 0;
}

int PutLanguageHeader(IniText ini)
{
    const int r = Ini_PutInt(ini, kLanguageHeaderSection, kItemVersion, kLanguageVersion);
    return r < 0 ? r : Ini_PutInt(ini, kLanguageHeaderSection, kItemMagic, kLanguageMagic);
}

int PutPanelTexts(IniText ini, const UiPanelTexts &panel)
{
    const std::string sec = panel.name;
    const std::string flag(1, panel.title.given ? kGiven : kKept);
    PutFlags(ini, sec, flag);
    if (panel.title.given)
        Ini_PutString(ini, sec.c_str(), kItemTitle, panel.title.text.c_str());
    for (const UiCtrlTexts &c : panel.controls) {
        const int r = PutControl(ini, panel.name, c);
        if (r < 0)
            return r;
    }
    return 0;
}

int PutMenuBarTexts(IniText ini, const UiMenuBarTexts &menuBar)
{
    for (const UiMenuEntry &e : menuBar.entries) {
        PutFlags(ini, e.path, std::string(1, e.name.given ? kGiven : kKept));
        if (e.name.given)
            Ini_PutString(ini, e.path.c_str(), kItemName, e.name.text.c_str());
    }
    return 0;
}

int LocalizePanel(int panel, const char *path)
{
    try {
        Store s;
        LanguageHeader header;
        int r = ReadFile(s.ini, path, &header);
        if (r < 0)
            return r;
        r = LocalizeTree(s.ini, header, panel);
        if (r < 0)
            return r;
        const int menuBar = GetPanelMenuBar(panel);
        return menuBar > 0 ? LocalizeMenuBarFrom(s.ini, menuBar) : 0;
    } catch (const std::bad_alloc &) {
        return kLangOutOfMemory;
    }
}

int LocalizeMenuBar(int menuBar, const char *path)
{
    try {
        Store s;
        LanguageHeader header;
        const int r = ReadFile(s.ini, path, &header);
        return r < 0 ? r : LocalizeMenuBarFrom(s.ini, menuBar);
    } catch (const std::bad_alloc &) {
        return kLangOutOfMemory;
    }
}
