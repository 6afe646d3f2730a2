// The conversion table page and the conversion graph panel against the real panels: reset,
// assign, the table file, typed input, the calculation's messages and the transfers to the
// simulated sensor and to a scripted peer.
#include "common/harness.h"

#include "app/startup.h"

#include "convtable/convtable.h"
#include "link/exchange.h"
#include "live/data_frame.h"
#include "platform/ui_testing.h"
#include "platform/widgets.h"
#include "sim/sim_runner.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QWheelEvent>

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>

namespace {

std::string En(const Msg &m)
{
    return m.en;
}

class ConvTable : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        InitConvTable();
        std::fill(std::begin(ConvData), std::end(ConvData), 0.0);
        ConvDataValid = 0;
        DataFrame = DataFrameRec{};
    }
    std::string Path(const char *name) const { return dir.filePath(name).toStdString(); }
    void Write(const char *name, const std::string &text) const
    {
        std::ofstream(Path(name), std::ios::binary) << text;
    }
    std::string Read(const char *name) const
    {
        std::ifstream f(Path(name), std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    void Press(int panel, int control) { SimulateCtrlEvent(panel, control, EVENT_COMMIT); }
    void PressPage(int control) { Press(AppState.TabConvTable, control); }
    void Load(const char *name, std::initializer_list<int> answers = {})
    {
        responder.push(VAL_EXISTING_FILE_SELECTED, Path(name));
        for (int a : answers)
            responder.push(a);
        PressPage(TABP_CONVTABLE_BUTTON_GET_CONV_TABLE_FROM_FILE);
    }
    void Save(const char *name, int result = VAL_NEW_FILE_SELECTED)
    {
        responder.push(result, Path(name));
        PressPage(TABP_CONVTABLE_BUTTON_SAVE_CONV_TABLE_TO_FILE);
    }
    // The texts of the popups shown, file dialogs left out.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> t;
        for (const PopupRequest &r : responder.shown)
            if (r.kind != PopupRequest::kFileSelect)
                t.push_back(r.text);
        return t;
    }
    static void Cell(int row, int col, int value)
    {
        SetTableCellVal(AppState.TabConvTable, TABP_CONVTABLE_TABLE_CONV, row, col, value);
    }
    static int Cell(int row, int col)
    {
        int v = 12345;
        GetTableCellVal(AppState.TabConvTable, TABP_CONVTABLE_TABLE_CONV, row, col, &v);
        return v;
    }
    static std::string Report(std::initializer_list<int> rows)
    {
        std::string r = En(kMsgConvReportHeader) + "\n\n";
        for (int row : rows)
            r += "ROW " + std::to_string(row) + "\n";
        return r;
    }
    static std::string FileText(const ConvRows &rows)
    {
        std::string t = "[GENERAL INFO]\r\nFILE TYPE: = \"Conversion table\"\r\n"
                        "SCOPE VERSION: = \"ORVANTE2 Scope V1.3\"\r\n\r\n";
        for (int i = 0; i < kConvTableRows; ++i)
            t += "[ROW " + std::to_string(i + 1) +
                 "]\r\nACTUAL VALUE = " + std::to_string(rows[size_t(i)].actual) +
                 "\r\nSETVALUE = " + std::to_string(rows[size_t(i)].set) + "\r\n\r\n";
        return t;
    }
};

} // namespace

TEST_F(ConvTable, ResetGivesTheDefaultTable)
{
    Cell(1, 1, 7);
    Cell(30, 2, 99);
    Cell(64, 2, 4095);
    PressPage(TABP_CONVTABLE_BUTTON_RESET_CONV_TABLE);
    EXPECT_EQ(ReadConvTable(), DefaultConvRows());
    EXPECT_EQ(Cell(64, 1), 4095);
    EXPECT_EQ(Cell(64, 2), 10000);
    EXPECT_EQ(Cell(1, 1), 0);
    EXPECT_EQ(Cell(30, 2), -1);
    EXPECT_TRUE(Texts().empty());
}

TEST_F(ConvTable, AssignTakesTheSignalIntoInnerActualValueCellsOnly)
{
    const int page = AppState.TabConvTable;
    DataFrame.Sig = 1234;
    SetActiveTableCell(page, TABP_CONVTABLE_TABLE_CONV, 2, 1);
    PressPage(TABP_CONVTABLE_BUTTON_ASSIGN);
    SetActiveTableCell(page, TABP_CONVTABLE_TABLE_CONV, 63, 1);
    DataFrame.Sig = -7;
    PressPage(TABP_CONVTABLE_BUTTON_ASSIGN);
    EXPECT_EQ(Cell(2, 1), 1234);
    EXPECT_EQ(Cell(63, 1), -7);
    EXPECT_TRUE(Texts().empty());

    // Row 1, row 64 and the SETVALUE column are refused with the wrong-cell message.
    const ConvRows before = ReadConvTable();
    for (auto [row, col] : {std::pair{1, 1}, {64, 1}, {10, 2}, {1, 2}}) {
        SetActiveTableCell(page, TABP_CONVTABLE_TABLE_CONV, row, col);
        PressPage(TABP_CONVTABLE_BUTTON_ASSIGN);
    }
    EXPECT_EQ(ReadConvTable(), before);
    EXPECT_EQ(Texts(), std::vector<std::string>(4, En(kMsgConvWrongCell)));
    EXPECT_EQ(responder.last()->title, "Message!");
}

TEST_F(ConvTable, TypedCellsOutsideTheirRangeAreRefused)
{
    auto *t =
        qobject_cast<QTableWidget *>(CtrlWidget(AppState.TabConvTable, TABP_CONVTABLE_TABLE_CONV));
    ASSERT_NE(t, nullptr);
    PanelWidget(AppState.MainPanel)->show();
    SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, 3);
    auto type = [&](int row, int col, const char *text) {
        t->setCurrentCell(row - 1, col - 1);
        t->setFocus();
        t->editItem(t->item(row - 1, col - 1));
        QWidget *editor = t->findChild<QLineEdit *>();
        ASSERT_NE(editor, nullptr);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        Pump(20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    type(5, 1, "2000");
    type(5, 2, "-32768");
    EXPECT_EQ(Cell(5, 1), 2000);
    EXPECT_EQ(Cell(5, 2), -32768);
    type(5, 1, "4096");
    type(5, 1, "-2");
    type(5, 1, "abc");
    type(5, 2, "40000");
    type(5, 2, "12x");
    EXPECT_EQ(Cell(5, 1), 2000);
    EXPECT_EQ(Cell(5, 2), -32768);
}

TEST_F(ConvTable, SavedFileIsExactAndReadsBackCellForCell)
{
    ConvRows rows = DefaultConvRows();
    rows[1] = {120, 300};
    rows[2] = {-1, -5};
    rows[3] = {-3, 700};
    rows[62] = {4000, -32768};
    WriteConvTable(rows);
    Save("table.ini");
    EXPECT_EQ(Read("table.ini"), FileText(rows));
    EXPECT_EQ(AppState.ConvTableFilePath, Path("table.ini"));
    const PopupRequest &d = responder.shown.at(0);
    EXPECT_EQ(d.title, "Save conversion table to file");
    EXPECT_EQ(d.defaultName, "ConversionTableFile.ini");
    EXPECT_EQ(d.filter, "*.ini");
    EXPECT_TRUE(Texts().empty());

    ResetConvTable();
    Load("table.ini");
    EXPECT_EQ(ReadConvTable(), rows);
    EXPECT_TRUE(Texts().empty()) << "a complete file loads without a report";
    EXPECT_EQ(responder.shown.back().title, "Read conversion table from file");
    EXPECT_EQ(responder.shown.back().directory, dir.path().toStdString() + "/");
}

TEST_F(ConvTable, SavingOverAnExistingFileAsksFirst)
{
    Write("old.ini", "keep me");
    responder.push(VAL_EXISTING_FILE_SELECTED, Path("old.ini"));
    responder.push(0); // No
    PressPage(TABP_CONVTABLE_BUTTON_SAVE_CONV_TABLE_TO_FILE);
    EXPECT_EQ(Read("old.ini"), "keep me");
    EXPECT_EQ(Texts(), std::vector<std::string>{En(kMsgConvFileExists)});

    responder.push(VAL_EXISTING_FILE_SELECTED, Path("old.ini"));
    responder.push(1); // Yes
    PressPage(TABP_CONVTABLE_BUTTON_SAVE_CONV_TABLE_TO_FILE);
    EXPECT_EQ(Read("old.ini"), FileText(DefaultConvRows()));

    Save("x.ini", VAL_NO_FILE_SELECTED);
    EXPECT_EQ(Texts().back(), En(kMsgConvNoFile));
}

TEST_F(ConvTable, MissingRowsTakeTheirDefaultsAndAreReported)
{
    ConvRows rows = DefaultConvRows();
    rows[16] = {2000, 5000};
    WriteConvTable(rows);
    Save("t.ini");
    std::string text = Read("t.ini");
    const size_t at = text.find("[ROW 17]\r\nACTUAL VALUE = 2000\r\nSETVALUE = 5000\r\n");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 48, "[ROW 17]\r\nACTUAL VALUE = 2000\r\n");
    Write("t.ini", text);
    Cell(17, 1, 1);
    Load("t.ini");
    EXPECT_EQ(Cell(17, 1), -1);
    EXPECT_EQ(Cell(17, 2), -1);
    EXPECT_EQ(Texts(), std::vector<std::string>{Report({17})});

    // No row sections at all: row 64 falls back to 4095 in both cells.
    responder.shown.clear();
    Write("empty.ini", "[GENERAL INFO]\r\nFILE TYPE: = \"Conversion table\"\r\n"
                       "SCOPE VERSION: = \"ORVANTE2 Scope V1.3\"\r\n");
    Cell(5, 1, 10);
    Load("empty.ini");
    ConvRows expected{};
    expected[0] = {0, 0};
    expected[63] = {4095, 4095};
    EXPECT_EQ(ReadConvTable(), expected);
    std::string all = En(kMsgConvReportHeader) + "\n\n";
    for (int i = 1; i <= 64; ++i)
        all += "ROW " + std::to_string(i) + "\n";
    EXPECT_EQ(Texts(), std::vector<std::string>{all});
}

TEST_F(ConvTable, TypeAndVersionQuestionsCanRefuseTheFile)
{
    Write("other.ini", "[GENERAL INFO]\r\nFILE TYPE: = \"Parameter File\"\r\n"
                       "SCOPE VERSION: = \"ORVANTE2 Scope V1.2\"\r\n[ROW 2]\r\n"
                       "ACTUAL VALUE = 5\r\nSETVALUE = 6\r\n");
    Load("other.ini", {0});
    EXPECT_EQ(Texts(), (std::vector<std::string>{En(kMsgConvNotTableFile), En(kMsgConvNoValues)}));
    EXPECT_EQ(ReadConvTable(), DefaultConvRows());

    responder.shown.clear();
    Load("other.ini", {1, 0});
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{En(kMsgConvNotTableFile), En(kMsgConvVersionMismatch),
                                        En(kMsgConvNoValues)}));
    EXPECT_EQ(ReadConvTable(), DefaultConvRows());

    // Both answered Yes: the rows load anyway, the missing ones reported.
    responder.shown.clear();
    Load("other.ini", {1, 1});
    EXPECT_EQ(Cell(2, 1), 5);
    EXPECT_EQ(Cell(2, 2), 6);
    EXPECT_EQ(Cell(64, 2), 4095);
    EXPECT_EQ(Texts().size(), 3u);

    // A new name or a cancelled dialog is no file.
    responder.shown.clear();
    responder.push(VAL_NEW_FILE_SELECTED, Path("new.ini"));
    PressPage(TABP_CONVTABLE_BUTTON_GET_CONV_TABLE_FROM_FILE);
    EXPECT_EQ(Texts(), std::vector<std::string>{En(kMsgConvNoFile)});
}

TEST_F(ConvTable, BadFilesLoadByTheRowRules)
{
    const std::string head = "[GENERAL INFO]\r\nFILE TYPE: = \"Conversion table\"\r\n"
                             "SCOPE VERSION: = \"ORVANTE2 Scope V1.3\"\r\n";
    // Empty and binary files: both questions answered Yes, every row defaulted and reported.
    Write("empty.ini", "");
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += char((i * 37 + 11) & 0xFF);
    Write("binary.ini", binary);
    for (const char *name : {"empty.ini", "binary.ini"}) {
        responder.shown.clear();
        Cell(3, 1, 77);
        Load(name, {1, 1});
        EXPECT_EQ(Cell(3, 1), -1) << name;
        EXPECT_EQ(Cell(64, 1), 4095) << name;
        ASSERT_EQ(Texts().size(), 3u) << name;
    }

    // Text values, numbers beyond a cell or beyond int, rows past 64 and a repeated section.
    Write("odd.ini", head + "[ROW 1]\r\nACTUAL VALUE = 0\r\nSETVALUE = 0\r\n"
                            "[ROW 2]\r\nACTUAL VALUE = ten\r\nSETVALUE = 5\r\n"
                            "[ROW 3]\r\nACTUAL VALUE = 40000\r\nSETVALUE = 5\r\n"
                            "[ROW 4]\r\nACTUAL VALUE = 10\r\nSETVALUE = 99999999999999999999\r\n"
                            "[ROW 5]\r\nACTUAL VALUE = 10\r\nSETVALUE = -32768\r\n"
                            "[ROW 6]\r\nACTUAL VALUE = 11\r\nSETVALUE = 12\r\n"
                            "[ROW 6]\r\nACTUAL VALUE = 13\r\nSETVALUE = 14\r\n"
                            "[ROW 64]\r\nACTUAL VALUE = 4095\r\nSETVALUE = 10000\r\n"
                            "[ROW 65]\r\nACTUAL VALUE = 1\r\nSETVALUE = 1\r\n"
                            "[ROW 0]\r\nACTUAL VALUE = 1\r\nSETVALUE = 1\r\n");
    responder.shown.clear();
    Load("odd.ini");
    EXPECT_EQ(Cell(2, 1), -1);
    EXPECT_EQ(Cell(3, 1), -1);
    EXPECT_EQ(Cell(4, 2), -1);
    EXPECT_EQ(Cell(5, 2), -32768);
    EXPECT_EQ(Cell(6, 1), 11) << "the first of two equal sections is the one read";
    EXPECT_EQ(Cell(64, 2), 10000);
    std::vector<int> missing = {2, 3, 4};
    for (int i = 7; i <= 63; ++i)
        missing.push_back(i);
    std::string report = En(kMsgConvReportHeader) + "\n\n";
    for (int r : missing)
        report += "ROW " + std::to_string(r) + "\n";
    EXPECT_EQ(Texts(), std::vector<std::string>{report});
}

TEST_F(ConvTable, InconsistentRowStopsTheCalculationAndSelectsIt)
{
    auto *t =
        qobject_cast<QTableWidget *>(CtrlWidget(AppState.TabConvTable, TABP_CONVTABLE_TABLE_CONV));
    ConvData[100] = 55.0;
    for (auto [row, a, s] : {std::tuple{12, -1, 500}, {40, 300, -1}}) {
        ResetConvTable();
        Cell(row, 1, a);
        Cell(row, 2, s);
        responder.shown.clear();
        Press(AppState.ConvPanel, CONVP_BUTTON_CALC_CONV_DATA);
        EXPECT_EQ(Texts(), std::vector<std::string>{En(kMsgConvBothCells)});
        EXPECT_EQ(ConvDataValid, 0);
        EXPECT_EQ(ConvData[100], 55.0) << "the data of the last calculation stays";
        ASSERT_EQ(t->selectedItems().size(), 2);
        EXPECT_EQ(t->selectedItems()[0]->row(), row - 1);
        EXPECT_EQ(t->selectedItems()[1]->row(), row - 1);
    }
    int plots = -1;
    GetNumGraphPlots(AppState.ConvPanel, CONVP_GRAPH_CONV, &plots);
    EXPECT_EQ(plots, 0);

    // A consistent table calculates, draws the curve and its points, and says so.
    ResetConvTable();
    responder.shown.clear();
    Press(AppState.ConvPanel, CONVP_BUTTON_CALC_CONV_DATA);
    EXPECT_EQ(Texts(), std::vector<std::string>{En(kMsgConvCalcDone)});
    EXPECT_EQ(ConvDataValid, 1);
    EXPECT_NEAR(ConvData[100], 100 * 10000.0 / 4095.0, 1e-9);
    GetNumGraphPlots(AppState.ConvPanel, CONVP_GRAPH_CONV, &plots);
    EXPECT_EQ(plots, 2);
}

// Set values beyond 0..10000 stay in sight: the calculation widens the axes to every point,
// ZOOM 1:1 returns to that view, and the wheel zooms in and out about the pointer.
TEST_F(ConvTable, TheGraphShowsPointsBeyondItsUsualRangeAndZoomsOutAsWellAsIn)
{
    const ConvGraphView usual = ConvGraphViewOf(ConvData, kConvDataSize, nullptr, nullptr, 0);
    EXPECT_EQ(usual.yMin, 0);
    EXPECT_EQ(usual.yMax, 10000);
    EXPECT_EQ(usual.xMax, 4100);

    ResetConvTable();
    Cell(20, 1, 1000);
    Cell(20, 2, 15000);
    Cell(30, 1, 3000);
    Cell(30, 2, -800);
    Press(AppState.ConvPanel, CONVP_BUTTON_CALC_CONV_DATA);
    ASSERT_EQ(ConvDataValid, 1);
    auto *g = qobject_cast<GraphCtrl *>(CtrlWidget(AppState.ConvPanel, CONVP_GRAPH_CONV));
    ASSERT_TRUE(g);
    EXPECT_LT(g->yMin(), -800);
    EXPECT_GT(g->yMax(), 15000);
    EXPECT_LE(g->xMin(), 0);
    EXPECT_GE(g->xMax(), 4095);
    const std::array<double, 4> whole{g->xMin(), g->xMax(), g->yMin(), g->yMax()};
    std::vector<std::string> names;
    for (int h : g->plotHandles())
        names.push_back(g->plotName(h).toStdString());
    EXPECT_EQ(names, (std::vector<std::string>{"CONVERSION DATA", "TABLE POINTS"}));

    DisplayPanel(AppState.MainPanel);
    ShowChildPanelDisp(AppState.ConvPanel);
    Pump(50);
    const auto wheel = [&](int delta) {
        const QPointF at(g->viewport()->width() / 2.0, g->viewport()->height() / 2.0);
        QWheelEvent e(at, g->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(g->viewport(), &e);
    };
    wheel(120);
    EXPECT_GT(g->xMin(), whole[0]);
    EXPECT_LT(g->yMax(), whole[3]);
    wheel(-120);
    wheel(-120);
    EXPECT_LT(g->xMin(), whole[0]);
    EXPECT_GT(g->yMax(), whole[3]);
    Press(AppState.ConvPanel, CONVP_BUTTON_ZOOM_CONV11);
    EXPECT_EQ((std::array<double, 4>{g->xMin(), g->xMax(), g->yMin(), g->yMax()}), whole);
}
