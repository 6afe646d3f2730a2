#include "app/status_line.h"

#include "app/appstate.h"
#include "platform/ui.h"

#include <QTime>

#include <deque>

namespace {

// Between the maker's lines and the logo, the only free room of a window whose size is fixed:
// two rows, so that a line with a path still shows whole.
constexpr int kTop = 8, kLeft = 262, kWidth = 282, kHeight = 44;
constexpr size_t kHistory = 8; // lines kept for the tooltip

struct Entry {
    char time[9];
    Msg what;
    std::string detail;
};

int gControl = 0;
int gPanel = 0;
std::deque<Entry> gEntries; // newest first

// A text on one line: line breaks and runs of blanks become one blank, none at either end.
std::string OneLine(const std::string &text)
{
    std::string out;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
        if (!blank)
            out += c;
        else if (!out.empty() && out.back() != ' ')
            out += ' ';
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string Render(const Entry &e)
{
    std::string line = std::string(e.time) + "  " + OneLine(Tr(e.what));
    if (!e.detail.empty())
        line += " " + e.detail;
    return line;
}

void Show()
{
    if (!gControl || gPanel != AppState.MainPanel)
        return;
    std::string tip;
    for (const Entry &e : gEntries)
        tip += (tip.empty() ? "" : "\n") + Render(e);
    SetCtrlVal(gPanel, gControl, gEntries.empty() ? "" : Render(gEntries.front()).c_str());
    SetCtrlAttribute(gPanel, gControl, ATTR_TOOLTIP_TEXT, tip.c_str());
    SetCtrlAttribute(gPanel, gControl, ATTR_ACCESSIBLE_NAME, Tr(kStatusLineName));
}

} // namespace

void InitStatusLine()
{
    gPanel = AppState.MainPanel;
    gEntries.clear();
    gControl = NewStatusLine(gPanel, kTop, kLeft, kWidth, kHeight);
    if (gControl < 0) {
        gControl = 0;
        return;
    }
    SetCtrlAttribute(gPanel, gControl, ATTR_TEXT_POINT_SIZE, 9);
    Show();
}

void ShowStatus(const Msg &what, const std::string &detail)
{
    Entry e{};
    CopyField(e.time, QTime::currentTime().toString("HH:mm:ss").toLatin1().constData());
    e.what = what;
    e.detail = OneLine(detail);
    gEntries.push_front(e);
    if (gEntries.size() > kHistory)
        gEntries.pop_back();
    Show();
}

void RelabelStatusLine()
{
    Show();
}

std::string StatusLineText()
{
    if (!gControl || gPanel != AppState.MainPanel)
        return {};
    return GetCtrlText(gPanel, gControl);
}

int StatusLineControl()
{
    return gPanel == AppState.MainPanel ? gControl : 0;
}
