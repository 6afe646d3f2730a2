#include "e2e_fixture.h"

#include "app/language.h"
#include "app/settings.h"
#include "app/startup.h"
#include "platform/ui_testing.h"
#include "platform/widgets.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLineSeries>
#include <QScatterSeries>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

void EndToEnd::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(sensor.start());
    ASSERT_EQ(InitUserInterfaceLayer(), 0);
    AppState = AppStateRec{};
    StartOptions options;
    options.settingsDir = dir.path().toStdString();
    SetStartOptions(options);
    SetLanguageDirectory(ORVANTE2_LANG_DIR); // wherever ctest runs the program from
    responder.install();
}

void EndToEnd::TearDown()
{
    poll.reset();
    if (AppState.MainPanel > 0 && !closed)
        CloseWindow();
    responder.uninstall();
    Shutdown();
    SetLanguageDirectory({});
}

void EndToEnd::WriteSettings(const std::string &extra)
{
    QFile f(QString::fromStdString(SettingsFilePath(dir.path().toStdString())));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const std::string text = "[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n"
                             "PANEL ID: = \"LINE-7\"\r\n" +
                             extra +
                             "[COMMUNICATION SETTINGS]\r\nCOMPROTOCOL = 1\r\n"
                             "IP ADRESS = \"127.0.0.1\"\r\nPORT NUMBER = \"" +
                             std::to_string(sensor.tcpPort()) + "\"\r\n";
    f.write(text.data(), qint64(text.size()));
}

void EndToEnd::StartProgram()
{
    ASSERT_EQ(LoadPanels(), 0);
    InitAll();
    QWidget *main = PanelWidget(AppState.MainPanel);
    main->show();
    QApplication::setActiveWindow(main);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(main));
}

void EndToEnd::CloseWindow()
{
    closed = true;
    PanelWidget(AppState.MainPanel)->close(); // the close button's event
}

void EndToEnd::Click(int panel, int control, Qt::MouseButton button)
{
    QWidget *w = CtrlWidget(panel, control);
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, button);
}

void EndToEnd::Key(Qt::Key key)
{
    QTest::keyClick(PanelWidget(AppState.MainPanel), key);
}

void EndToEnd::Type(int panel, int control, const std::string &text)
{
    QWidget *w = CtrlWidget(panel, control);
    ASSERT_NE(w, nullptr);
    if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->lineEdit())
        w = combo->lineEdit();
    w->setFocus();
    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_Delete);
    QTest::keyClicks(w, QString::fromStdString(text));
    QTest::keyClick(w, Qt::Key_Return);
}

void EndToEnd::Choose(int panel, int control, int index)
{
    auto *combo = qobject_cast<QComboBox *>(CtrlWidget(panel, control));
    ASSERT_NE(combo, nullptr);
    combo->setFocus();
    if (combo->currentIndex() == index)
        return;
    while (combo->currentIndex() > index)
        QTest::keyClick(combo, Qt::Key_Up);
    while (combo->currentIndex() < index)
        QTest::keyClick(combo, Qt::Key_Down);
}

void EndToEnd::ShowPage(int page)
{
    auto *bar = CtrlWidget(AppState.MainPanel, MAINP_TAB_MAIN)->findChild<QTabBar *>();
    ASSERT_NE(bar, nullptr);
    bar->setCurrentIndex(bar->currentIndex()); // scrolls nothing; keeps the bar laid out
    ASSERT_TRUE(bar->isTabVisible(page));
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(page).center());
    ASSERT_EQ(ActivePage(), page);
}

void EndToEnd::During(std::function<bool()> step, int limitMs)
{
    poll = std::make_unique<QTimer>();
    auto since = std::make_shared<QElapsedTimer>();
    since->start();
    QTimer *t = poll.get();
    QObject::connect(t, &QTimer::timeout, [t, step, since, limitMs] {
        if (since->elapsed() > limitMs) {
            t->stop();
            ADD_FAILURE() << "the operation did not end in time";
            AppState.AcquisitionRunning = 0;
            AppState.ScanRunning = 0;
            return;
        }
        if (step())
            t->stop();
    });
    t->start(2);
}

bool EndToEnd::WaitUntil(const std::function<bool()> &done, int limitMs)
{
    const double deadline = Timer() + limitMs / 1000.0;
    while (!done() && Timer() < deadline)
        WaitForEvents(std::min(deadline, Timer() + 0.01));
    return done();
}

std::string EndToEnd::Text(int panel, int control)
{
    return GetCtrlText(panel, control);
}

int EndToEnd::Int(int panel, int control)
{
    int v = 0;
    GetCtrlVal(panel, control, &v);
    return v;
}

double EndToEnd::Real(int panel, int control)
{
    double v = 0;
    GetCtrlVal(panel, control, &v);
    return v;
}

bool EndToEnd::Dimmed(int panel, int control)
{
    int d = 0;
    GetCtrlAttribute(panel, control, ATTR_DIMMED, &d);
    return d != 0;
}

bool EndToEnd::Shown(int panel, int control)
{
    QWidget *w = CtrlWidget(panel, control);
    return w && w->isVisibleTo(PanelWidget(AppState.MainPanel));
}

bool EndToEnd::PanelShown(int panel)
{
    return PanelWidget(panel)->isVisibleTo(PanelWidget(AppState.MainPanel));
}

int EndToEnd::ActivePage()
{
    int page = -1;
    GetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, &page);
    return page;
}

std::string EndToEnd::MessageBox()
{
    return GetCtrlText(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES);
}

std::string EndToEnd::Status()
{
    return GetCtrlText(AppState.DataPanel, DATAP_STRING_STATUS);
}

size_t EndToEnd::PointsOn(int panel, int control)
{
    // The plotted data, not what is painted of it (that follows later and may be reduced).
    QWidget *w = CtrlWidget(panel, control);
    if (auto *graph = qobject_cast<GraphCtrl *>(w))
        return graph->pointCount();
    size_t n = 0;
    if (auto *strip = qobject_cast<StripChartCtrl *>(w))
        for (int t = 0; t < strip->traceCount(); ++t)
            n += strip->traceValues(t).size();
    return n;
}

std::vector<int> EndToEnd::Orders()
{
    std::vector<int> orders;
    for (const auto &f : sensor.receivedFrames())
        orders.push_back(f.size() > 1 ? f[1] : -1);
    return orders;
}

size_t EndToEnd::CountOf(int order)
{
    const std::vector<int> o = Orders();
    return size_t(std::count(o.begin(), o.end(), order));
}

sim::ParamRecord EndToEnd::SensorRam()
{
    sim::ParamRecord r{};
    sensor.withModel([&r](sim::SensorModel &m) { r = m.ram(); });
    return r;
}

sim::ParamRecord EndToEnd::SensorEeprom()
{
    sim::ParamRecord r{};
    sensor.withModel([&r](sim::SensorModel &m) { r = m.eeprom(); });
    return r;
}

std::string EndToEnd::ReadFile(const std::string &path)
{
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().toStdString();
}
