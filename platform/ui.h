// The user-interface layer: a small C-like API over Qt Widgets through which the rest of the
// program drives panels, controls, graphs, popups and the event loop. Panels and controls are
// addressed by integer handles and the generated constants of panel_ids.h; nothing outside app/
// includes a Qt Widgets header. All calls run on the user-interface thread.
#pragma once

#include "panel_ids.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

// ---- Events delivered to callbacks -------------------------------------------------------------
enum UiEvent {
    EVENT_NONE = 0,
    EVENT_COMMIT = 1,
    EVENT_VAL_CHANGED = 2,
    EVENT_LEFT_CLICK = 3,
    EVENT_LEFT_DOUBLE_CLICK = 4,
    EVENT_RIGHT_CLICK = 5,
    EVENT_RIGHT_DOUBLE_CLICK = 6,
    EVENT_CLOSE = 7,
    EVENT_ACTIVE_TAB_CHANGE = 8,
    EVENT_ZOOM = 9,
};

using CtrlCallbackPtr = int (*)(int panel, int control, int event, void *callbackData,
                                int eventData1, int eventData2);
using PanelCallbackPtr = int (*)(int panel, int event, void *callbackData, int eventData1,
                                 int eventData2);

// ---- Attributes --------------------------------------------------------------------------------
enum UiAttr {
    ATTR_DIMMED,          // int 0/1
    ATTR_VISIBLE,         // int 0/1
    ATTR_CTRL_MODE,       // VAL_HOT or VAL_INDICATOR
    ATTR_PRECISION,       // digits after the point of a double numeric
    ATTR_TEXT_COLOR,      // 0xRRGGBB
    ATTR_TEXT_BGCOLOR,    // 0xRRGGBB, or VAL_TRANSPARENT
    ATTR_FRAME_COLOR,     // 0xRRGGBB
    ATTR_ON_COLOR,        // LED colour when on
    ATTR_TEXT_POINT_SIZE, // int
    ATTR_LABEL_TEXT,      // string: the caption of a button, label text, group title
    ATTR_TOOLTIP_TEXT,    // string
    ATTR_TOP,
    ATTR_LEFT,
    ATTR_WIDTH,
    ATTR_HEIGHT,
    ATTR_MAX_ENTRY_LENGTH, // string controls: at most this many characters
    ATTR_PASSWORD_MASK,    // string controls: show each character as this one (0 = plain)
    ATTR_POINTS_PER_SCREEN, // strip charts
    ATTR_NUM_TRACES,        // strip charts
    ATTR_MIN_VALUE,         // numerics, as double
    ATTR_MAX_VALUE,
    // string: why the control is dimmed. While it is dimmed its tooltip gives this reason before
    // its normal text; undimming drops the reason and the tooltip is the normal text again.
    ATTR_DIMMED_REASON,
    // int 0/1: displays, LEDs, graphs and strip charts: what they show is not live (the frame is
    // from before a link failure); shown greyed until set to 0.
    ATTR_STALE,
    // string: the name assistive technology finds the control by
    ATTR_ACCESSIBLE_NAME,
    // panels
    ATTR_TITLE,        // string
    ATTR_WINDOW_ZOOM,  // VAL_NO_ZOOM or VAL_MAXIMIZE
};

enum { VAL_HOT = 0, VAL_INDICATOR = 1 };
enum { VAL_NO_ZOOM = 0, VAL_MINIMIZE = 1, VAL_MAXIMIZE = 2 };
enum { VAL_MANUAL = 0, VAL_AUTOSCALE = 1 };
inline constexpr int VAL_TRANSPARENT = -1;
enum { VAL_BOTTOM_XAXIS = 0, VAL_LEFT_YAXIS = 1 };
enum { VAL_SOLID = 0, VAL_DASH = 1, VAL_DOT = 2 };

inline constexpr int VAL_RED = 0xFF0000, VAL_GREEN = 0x00FF00, VAL_BLUE = 0x0000FF,
                     VAL_BLACK = 0x000000, VAL_WHITE = 0xFFFFFF, VAL_DK_YELLOW = 0x808000,
                     VAL_DK_CYAN = 0x008080, VAL_DK_GREEN = 0x008000;

// Results of FileSelectPopup.
enum { VAL_NO_FILE_SELECTED = 0, VAL_EXISTING_FILE_SELECTED = 1, VAL_NEW_FILE_SELECTED = 2 };
enum { VAL_LOAD_BUTTON = 0, VAL_SAVE_BUTTON = 1 };
// Results of GenericMessagePopup.
enum { GENERIC_MSG_BUTTON_1 = 1, GENERIC_MSG_BUTTON_2 = 2 };

// Error results (all negative).
enum { UIE_BAD_PANEL = -1, UIE_BAD_CONTROL = -2, UIE_LOAD_FAILED = -3, UIE_BAD_ATTRIBUTE = -4,
       UIE_BAD_TYPE = -5, UIE_BAD_INDEX = -6 };

// ---- Panels ------------------------------------------------------------------------------------
// Loads panel `resource` (a top-level panel when parent is 0, else a child of parent). Tab pages
// of the panel become panels of their own, reached through GetPanelHandleFromTabPage.
int LoadPanel(int parentPanel, int resource);
int DiscardPanel(int panel);
int DisplayPanel(int panel);
int HidePanel(int panel);
int InstallPopup(int panel);  // shows a top-level panel as a modal popup
int RemovePopup(int panel);
int SetPanelPos(int panel, int top, int left);
int SetPanelSize(int panel, int height, int width);
int SetPanelAttribute(int panel, int attr, int value);
int SetPanelAttribute(int panel, int attr, const char *value);
int GetPanelAttribute(int panel, int attr, int *value);
int CenterPanelOnScreen(int panel);
int InstallPanelCallback(int panel, PanelCallbackPtr callback, void *callbackData);
int IsPanelVisible(int panel);

// The part of each screen that windows may use (task bars left out), in the coordinates of
// SetPanelPos; the primary screen first. Empty when there is no screen. (platform/ui_screen.cpp)
struct ScreenArea {
    int left = 0, top = 0, width = 0, height = 0;
};
std::vector<ScreenArea> AvailableScreenAreas();

// ---- Controls ----------------------------------------------------------------------------------
int InstallCtrlCallback(int panel, int control, CtrlCallbackPtr callback, void *callbackData);
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char *value);
int GetCtrlVal(int panel, int control, int *value);
int GetCtrlVal(int panel, int control, unsigned short *value);
int GetCtrlVal(int panel, int control, double *value);
// Copies at most size - 1 characters of a text control and terminates the buffer.
int GetCtrlString(int panel, int control, char *buffer, int size);
std::string GetCtrlText(int panel, int control);
int SetCtrlAttribute(int panel, int control, int attr, int value);
int SetCtrlAttribute(int panel, int control, int attr, double value);
int SetCtrlAttribute(int panel, int control, int attr, const char *value);
int GetCtrlAttribute(int panel, int control, int attr, int *value);
int AppendTextBox(int panel, int control, const char *text); // adds text at the end, as is
int ResetTextBox(int panel, int control, const char *text);  // replaces the whole text
// A text message control created at run time; returns its control number.
int NewTextMsg(int panel, const char *text, int top, int left);
// A status field created at run time: read-only, takes no focus, a text longer than its width
// wraps onto its next row (SetCtrlVal sets the text); returns its control number.
int NewStatusLine(int panel, int top, int left, int width, int height);
int DisplayImageFile(int panel, int control, const char *path);
// Programmatic operator actions, for keyboard shortcuts and tests: raises the control's event as
// if the operator had caused it.
int SimulateCtrlEvent(int panel, int control, int event);
// String controls: Enter commits every time, also with an unchanged or empty text.
int SetCommitOnEnter(int panel, int control);

// Lists (rings, combo boxes): item value is an int.
int ClearListCtrl(int panel, int control);
int InsertListItem(int panel, int control, int index, const char *label, int value); // -1: end
int DeleteListItem(int panel, int control, int index, int count);                    // -1: all
int GetNumListItems(int panel, int control, int *count);
int GetIndexFromValue(int panel, int control, int *index, int value);
int GetLabelFromIndex(int panel, int control, int index, std::string *label);
int GetCtrlIndex(int panel, int control, int *index);
int SetCtrlIndex(int panel, int control, int index);
int ReplaceListItem(int panel, int control, int index, const char *label, int value);
// Editable combo boxes hold text items: the index of a text, or -1.
int GetIndexFromText(int panel, int control, const char *text);

// ---- Tab controls ------------------------------------------------------------------------------
int GetPanelHandleFromTabPage(int panel, int tabControl, int index, int *pagePanel);
int GetActiveTabPage(int panel, int tabControl, int *index);
int SetActiveTabPage(int panel, int tabControl, int index);
int SetTabPageVisible(int panel, int tabControl, int index, int visible);
int GetTabPageVisible(int panel, int tabControl, int index, int *visible);

// ---- Tables (rows and columns count from 1) ----------------------------------------------------
int SetTableCellVal(int panel, int control, int row, int col, int value);
int GetTableCellVal(int panel, int control, int row, int col, int *value);
int SetTableColumnVals(int panel, int control, int col, const int *values, int count);
int GetTableColumnVals(int panel, int control, int col, int *values, int count);
int GetActiveTableCell(int panel, int control, int *row, int *col);
int SetActiveTableCell(int panel, int control, int row, int col);
int SelectTableRow(int panel, int control, int row); // 0 clears the selection
int GetNumTableRows(int panel, int control, int *rows);
int HideBuiltInCtrlMenuItem(int panel, int control, int item);
// Typed input into column `col` is taken only as a whole number within min..max; anything else
// leaves the cell as it was. Values written by SetTableCellVal are not limited.
int SetTableColumnRange(int panel, int control, int col, int min, int max);
// Gives the control the keyboard focus.
int SetActiveCtrl(int panel, int control);

// ---- Marks, the after-commit hook and text tables (ui_marks.cpp) ---------------------------------------
// A frame of `color` drawn around the control, following its place and visibility;
// VAL_TRANSPARENT removes it.
int SetCtrlMark(int panel, int control, int color);
int GetCtrlMark(int panel, int control, int *color); // VAL_TRANSPARENT: none
// Called after every commit callback (an operator's change or press, whatever the control), once
// the callback has returned; nullptr removes it.
void SetAfterCommitHook(void (*hook)());
// Tables whose cells hold text (read-only cells), rows 1-based, columns 1-based.
int SetNumTableRows(int panel, int control, int rows);
int SetTableCellText(int panel, int control, int row, int col, const char *text); // also its tooltip
int GetTableCellText(int panel, int control, int row, int col, std::string *text);
int SetTableCellColor(int panel, int control, int row, int col, int color); // VAL_TRANSPARENT: none
int GetTableCellColor(int panel, int control, int row, int col, int *color);
int SetTableColumnLabel(int panel, int control, int col, const char *label);
int FitTableColumns(int panel, int control); // every column but the last as wide as its texts
// A control's label as the operator reads it: a button's caption, else the text of the label
// that names the control (empty when none does).
std::string GetCtrlLabel(int panel, int control);

// ---- Graphs and strip charts -------------------------------------------------------------------
// Plot functions return a plot handle (> 0) or a negative error.
int PlotY(int panel, int control, const double *y, int count, int color, int lineStyle = VAL_SOLID);
int PlotXY(int panel, int control, const double *x, const double *y, int count, int color,
           int lineStyle = VAL_SOLID, int withPoints = 0);
int PlotLine(int panel, int control, double x1, double y1, double x2, double y2, int color);
// Unconnected points (filled dots) at (x[i], y[i]); a plot handle like PlotXY's.
int PlotPoints(int panel, int control, const double *x, const double *y, int count, int color);
int DeleteGraphPlot(int panel, int control, int plot); // -1: all plots
int GetNumGraphPlots(int panel, int control, int *count);
int SetAxisScalingMode(int panel, int control, int axis, int mode, double min, double max);
int GetAxisScalingMode(int panel, int control, int axis, int *mode, double *min, double *max);
int SetAxisName(int panel, int control, int axis, const char *name);
int SetGraphCursor(int panel, int control, int cursor, double x, double y); // cursor 1 or 2
int GetGraphCursor(int panel, int control, int cursor, double *x, double *y);
// Strip chart: `values` holds samples of all traces interleaved (t0 trace0, t0 trace1, ...).
int PlotStripChart(int panel, int control, const double *values, int count);
int ClearStripChart(int panel, int control);
int SetTraceStyle(int panel, int control, int trace, int color, int lineStyle);
// Legend names: of a graph's plot (plots that continue each other share one), of a strip chart's
// trace. Series of one name share one legend entry; a chart without names shows no legend.
int SetPlotName(int panel, int control, int plot, const char *name);
int SetTraceName(int panel, int control, int trace, const char *name);
// A graph whose plots are drawn as steps, each value held until the next sample.
int SetGraphStepLines(int panel, int control, int on);
// Two graphs of one panel that show the same x: the second follows the first's x range and
// both plot areas span the same pixel columns.
int LinkGraphX(int panel, int control, int otherControl);
// A zoomable graph back to all its plots: x over their whole range, y scaled to their values.
int ShowWholeGraph(int panel, int control);

// ---- Popups ------------------------------------------------------------------------------------
int MessagePopup(const char *title, const char *text);
int ConfirmPopup(const char *title, const char *text);           // 1 yes, 0 no
int GenericMessagePopup(const char *title, const char *text, const char *button1,
                        const char *button2);                     // GENERIC_MSG_BUTTON_1 or _2
// Fills `path` (at most size - 1 characters) and returns VAL_EXISTING_FILE_SELECTED,
// VAL_NEW_FILE_SELECTED or VAL_NO_FILE_SELECTED. `filter` is a pattern ("*.ini") or several
// separated by ';', each offered as a file type, with or without a name ("Capture (*.ini)");
// when saving with several, a name typed without an ending gets the ending of the type chosen.
int FileSelectPopup(const char *directory, const char *defaultName, const char *filter,
                    const char *title, int buttonMode, char *path, int size);

// Tests answer popups from a script. While a responder is installed, no dialog is shown.
struct PopupRequest {
    enum Kind { kMessage, kConfirm, kGeneric, kFileSelect, kPrinterSelect } kind = kMessage;
    std::string title;
    std::string text;
    std::string button1 = {}, button2 = {};                           // kGeneric
    std::string directory = {}, defaultName = {}, filter = {};        // kFileSelect
    int buttonMode = 0;                           // kFileSelect
};
struct PopupAnswer {
    int result = 0;   // kConfirm: 1/0; kGeneric: 1/2; kFileSelect: VAL_..._SELECTED;
                      // kPrinterSelect: 1 chosen, 0 cancelled
    std::string path; // kFileSelect; kPrinterSelect: the printer's name or a PDF file's path
};
using PopupResponder = std::function<PopupAnswer(const PopupRequest &)>;
void SetPopupResponder(PopupResponder responder); // an empty function shows real dialogs again
// On: closes every open popup with its cancelled answer and answers all later ones the same
// way without showing them, for a program that is closing while a popup waits. Off: popups
// are shown (or put to the responder) again.
void SetPopupsDismissed(int on);
int PopupsDismissed();

// ---- Printed reports ---------------------------------------------------------------------------
// A report is a list of items, text and images, laid out top to bottom on A4 pages, with header
// and footer texts on every page. In those texts "<date>", "<time>", "<page>" and "<pages>" stand
// for the date and time of printing, the page number and the page count.
enum ReportField {
    REPORT_HEADER_LEFT,
    REPORT_HEADER_CENTER,
    REPORT_HEADER_RIGHT,
    REPORT_FOOTER_LEFT,
    REPORT_FOOTER_CENTER,
    REPORT_FOOTER_RIGHT,
};
int NewReport(); // a report handle (> 0) or a negative error
int DiscardReport(int report);
int SetReportField(int report, int field, const char *text);
// Text in a font and point size; line breaks start new lines, long lines wrap at the page width.
// An empty text is one empty line.
int AppendReportText(int report, const char *text, const char *fontFamily, int pointSize);
// An image read from `path` now (the file may go right after), fitted into the page width,
// with its caption beneath.
int AppendReportImage(int report, const char *path, const char *caption);
// Label and value pairs, laid out in `columns` pairs side by side, in the report's text font.
int AppendReportPairs(int report, const std::vector<std::pair<std::string, std::string>> &pairs,
                      int columns, int pointSize);
// A chart drawn as lines on the page (sharp at any printer resolution): analog traces over one
// x axis, and digital lanes under them, each a labelled band with its low and high level. Sample
// k lies at x = k * xPerSample; the x axis is named xName; cursors are x values of samples.
struct ReportTrace {
    std::string name;
    int color = 0;
    int lineStyle = 0; // VAL_SOLID, VAL_DASH, ...
    std::vector<double> y;
};
struct ReportLane {
    std::string name;
    std::vector<int> high; // 1 high, 0 low per sample
};
struct ReportChart {
    std::string xName, yName, highLabel = "H", lowLabel = "L";
    double xPerSample = 1;
    double xMin = 0, xMax = 1, yMin = 0, yMax = 1; // x in samples
    std::vector<ReportTrace> traces;
    std::vector<ReportLane> lanes;
    std::vector<std::pair<std::string, double>> cursors; // label, x in samples
    double heightMm = 120;
};
int AppendReportChart(int report, const ReportChart &chart);
// The chart alone as a picture file, drawn as in the report on a white ground: PNG or SVG by the
// path's ending (".png", ".svg", in any case), `width` x `height` pixels (the SVG's view box).
// The file is replaced whole: a failure leaves no file, or the one that was there, unchanged.
// Needs a GUI application (fonts). 0 on success, UIE_BAD_TYPE for another ending,
// UIE_BAD_ATTRIBUTE for a side outside 16 ... 20000, UIE_LOAD_FAILED when it cannot be written.
inline constexpr int kPictureWidth = 1600, kPictureHeight = 900;
int SaveReportChartPicture(const ReportChart &chart, const char *path, int width = kPictureWidth,
                           int height = kPictureHeight);
// Whether `path` ends in an ending SaveReportChartPicture writes.
bool IsPicturePath(const char *path);
// Prints the report on the printer named `printer`; a name containing '/' is the path of a PDF
// file to write instead (printer names never contain one), or, ending in ".png", of pictures of
// the pages at 300 dots per inch (page 2 on "NAME-2.png", ...). 0 on success, negative on
// failure.
int PrintReport(int report, const char *printer);
// The print dialog: 1 with the chosen printer's name in `name` (the PDF file's path when the
// operator prints to a file), 0 when cancelled, `name` then unchanged.
int PrinterSelectPopup(char *name, int size);

// ---- Event loop, time --------------------------------------------------------------------------
int RunUserInterface();           // returns the code given to QuitUserInterface
int QuitUserInterface(int code);
int ProcessSystemEvents();
// Processes events, blocking until the next event arrives or `deadline` (a Timer() value) is
// reached, whichever comes first. Does not spin: this is the wait of every exchange loop.
void WaitForEvents(double deadline);
double Timer();                   // seconds, monotonic, as a double
void SetWaitCursor(int on);

// ---- Images, screen ----------------------------------------------------------------------------
int SavePanelDisplayToFile(int panel, const char *path); // PNG or BMP by the path's ending
// A picture of one control, with its latest data: PNG (rendered at twice its size) or SVG (lines
// and text as such), by the path's ending. The file is replaced whole or not at all. 0 on
// success, UIE_BAD_TYPE for another ending, negative when it could not be written.
int SaveControlPicture(int panel, int control, const char *path);
int GetScreenSize(int *height, int *width);
std::string GetProjectDir(); // the directory of the executable, without a trailing "/"

// Layer start and end, called by the process entry.
int InitUserInterfaceLayer();
void CloseUserInterfaceLayer();
