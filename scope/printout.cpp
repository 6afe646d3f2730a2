// The printed scope report: built item by item on the layer's report facility, with the panel's
// image passed through a temporary file.
#include "scope/display.h"

#include "app/appstate.h"
#include "app/messages.h"
#include "app/startup.h"
#include "app/status_line.h"
#include "platform/ui.h"

#include <QDir>
#include <QTemporaryFile>

#include <string>

const Msg kMsgReportFailed{"Report konnte nicht initialisiert werden...",
                           "Could not initialize Reports..."};
const Msg kMsgReportTitle{"Screenshot des Scope-Bildschirms.", "Scope Screen Shot"};
const Msg kMsgPanelId{"Fenster ID:", "Panel ID: "};
const Msg kMsgComment{"Kommentar:", "Comment:"};
const Msg kMsgPageOf{"Seite <page> von <pages>", "Page <page> of <pages>"};
const Msg kMsgPrintDone{"Ausdruck erfolgreich!", "Print successful!"};
const Msg kMsgPrintFailed{"Druckfehler!", "Print error!"};

namespace {

constexpr const char *kReportFont = "Arial";
constexpr int kTitlePoints = 20;
constexpr int kTextPoints = 10;

// At most `chars` characters of UTF-8 text, never cut inside a character.
std::string FirstChars(const std::string &text, int chars)
{
    size_t i = 0;
    for (int n = 0; i < text.size(); ++i) {
        if ((uint8_t(text[i]) & 0xC0) != 0x80 && n++ == chars)
            break;
    }
    return text.substr(0, i);
}

} // namespace

void SelectPrinter(char *name)
{
    PrinterSelectPopup(name, kPrinterNameSize);
}

void PrintScopeGraph()
{
    const int report = NewReport();
    if (report < 0) {
        MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgReportFailed));
        return;
    }
    SetReportField(report, REPORT_HEADER_LEFT, "<date>");
    SetReportField(report, REPORT_HEADER_RIGHT, "<time>");
    SetReportField(report, REPORT_FOOTER_CENTER, Tr(kMsgPageOf));

    AppendReportText(report, Tr(kMsgReportTitle), kReportFont, kTitlePoints);
    AppendReportText(report, kScopeTitle, kReportFont, kTextPoints);
    if (AppState.SensorId[0] != '\0')
        AppendReportText(report, (std::string(Tr(kMsgPanelId)) + AppState.SensorId).c_str(),
                         kReportFont, kTextPoints);
    AppendReportText(report, "", kReportFont, kTextPoints);
    const std::string comment = FirstChars(
        GetCtrlText(AppState.TabScope, TABP_SCOPE_TEXTBOX_SCOPE_COMMENT), kScopeCommentChars);
    if (!comment.empty()) {
        AppendReportText(report, Tr(kMsgComment), kReportFont, kTextPoints);
        AppendReportText(report, comment.c_str(), kReportFont, kTextPoints);
        AppendReportText(report, "", kReportFont, kTextPoints);
    }

    // The file goes when `image` does, after printing.
    QTemporaryFile image(QDir::tempPath() + QStringLiteral("/scope-panel-XXXXXX.png"));
    if (image.open()) {
        const std::string path = image.fileName().toStdString();
        image.close();
        if (SavePanelDisplayToFile(AppState.ScopePanel, path.c_str()) == 0)
            AppendReportImage(report, path.c_str(), "Panel");
    }

    char printer[kPrinterNameSize] = "";
    SelectPrinter(printer);
    if (printer[0] == '\0') {
        DiscardReport(report);
        return;
    }
    const int result = PrintReport(report, printer);
    ShowStatus(result == 0 ? kMsgPrintDone : kMsgPrintFailed, printer);
    MessagePopup(Tr(kMsgInfoTitle), Tr(result == 0 ? kMsgPrintDone : kMsgPrintFailed));
    DiscardReport(report);
}
