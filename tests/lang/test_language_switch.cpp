// The language switch as the operator meets it: the language at start-up, the selector on the
// connect page, the program's own messages, the help popups on a right click, and the header.
#include "common/harness.h"

#include "app/header.h"
#include "app/language.h"
#include "app/settings.h"
#include "app/startup.h"
#include "platform/ui_testing.h"
#include "platform/ui_tree.h"
#include "lang_files.h"
#include "sim/sim_runner.h"

#include <QDir>
#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLabel>
#include <QTest>

#include <set>
#include <sstream>

namespace {

// The controls whose callbacks show a help text on a right click.
const char kHelpCallbacks[] = R"(
CBF_TabMain1 CBF_ButtonSend CBF_ButtonGet CBF_ButtonGo CBF_ButtonStop CBF_ButtonSelectMem
CBF_TabDataP CBF_DispCha CBF_DispSig CBF_DispRef CBF_DispTemp CBF_DispMaxMin CBF_DispAnaOut
CBF_LedOut CBF_LedIn CBF_GraphAnaCha CBF_GraphEvalSig CBF_SlidePower CBF_EditPowerSource
CBF_EditPmode CBF_EditLedMode CBF_EditGain CBF_EditDynWinLoHi CBF_EditAverage CBF_EditIntegral
CBF_EditAnaOutmode CBF_EditAnaRange CBF_EditAnaOut CBF_EditDigOutmode CBF_EditHold
CBF_EditDeadTime CBF_ButtonTeach CBF_EditEvalMode CBF_EditThresholdMode CBF_EditThresholdTracing
CBF_EditThresholdTracingUP CBF_EditThresholdTracingDown CBF_EditTeachValue CBF_EditTrshCalc
CBF_EditTolerance CBF_EditHysteresis CBF_EditExtTeach CBF_ButtonCloseSP CBF_ButtonZoomScope11
CBF_EditScopeSignal CBF_GraphScope CBF_DispDeltaX CBF_DispDeltaY CBF_ButtonGetCycleTime
CBF_ButtonScan CBF_ButtonBreakScan CBF_ButtonPrintScopeGraph CBF_EditTriggerMode
CBF_EditPreTrigVal CBF_EditTriggerLevel CBF_EditScanRate CBF_DispScanFreq CBF_ButtonSelRecFile
CBF_DispRecFile CBF_ButtonStartRecord CBF_ButtonStopRecord CBF_ButtonStartTrigRec
CBF_ButtonManualRecord CBF_EditSelectDataRec CBF_EditInterval CBF_EditRecVal CBF_DispRecordTime
CBF_DispRecordedValues CBF_DispRemaining CBF_ButtonShowGraph CBF_ButtonCloseGP CBF_EditSignal
CBF_PanelGraphGraph CBF_ButtonCloseOffsetCompensation CBF_ButtonSendOffset CBF_ButtonGetOffset
CBF_ButtonCalcOffset CBF_EditOffsetVal CBF_EditSettingTimeFactor CBF_ButtonSendSettingTimeFactor
CBF_StringEnterPW CBF_ButtonTryToConnect CBF_ButtonDisconnect CBF_ButtonAccept
CBF_ButtonChangeBaudrate CBF_ButtonGenHwInfoFile CBF_ButtonFindComPorts
CBF_EditCommunicationProtocol CBF_EditSelectComPort CBF_EditSelectBaudrate CBF_StringIpAdress
CBF_StringPortNumber CBF_EditID CBF_EditLanguage CBF_GraphConv CBF_ButtonCloseCP
CBF_ButtonResetConvTable CBF_ButtonAssign CBF_ButtonGetConvTableFromFile
CBF_ButtonSaveConvTableToFile CBF_ButtonGetConvTableFromEE CBF_ButtonSaveConvTableToEE
CBF_ButtonCalcConvData CBF_ButtonSaveConvDataToEE CBF_ButtonZoomConv11
)";

class LanguageSwitch : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        SetLanguageDirectory(SourceDir() + "/lang");
    }
    void TearDown() override
    {
        SetLanguageDirectory({});
        AppTest::TearDown();
    }
    void WriteSettings(const std::string &general, quint16 port)
    {
        QFile f(QString::fromStdString(SettingsFilePath(dir.path().toStdString())));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const std::string text = "[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n" + general +
                                 "[COMMUNICATION SETTINGS]\r\nCOMPROTOCOL = 1\r\n"
                                 "IP ADRESS = \"127.0.0.1\"\r\nPORT NUMBER = \"" +
                                 std::to_string(port) + "\"\r\n";
        f.write(text.data(), qint64(text.size()));
    }
    std::string ConnectLabel() const
    {
        return GetCtrlText(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT);
    }
    // Starts the program against a server that notes the connect button's label at the first
    // connection attempt and then hangs up.
    std::string LabelAtFirstConnection(const std::string &general)
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        std::string seen;
        QObject::connect(&server, &QTcpServer::newConnection, [&] {
            seen = ConnectLabel();
            server.nextPendingConnection()->close();
        });
        WriteSettings(general, server.serverPort());
        InitAll();
        return seen;
    }
};

} // namespace

TEST(ProgramFiles, AreFoundBesideTheProgramElseInTheCurrentDirectory)
{
    QTemporaryDir program, current;
    auto touch = [](const QTemporaryDir &d) {
        QFile f(d.filePath("language_ger.lwl"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    const std::string p = program.path().toStdString(), c = current.path().toStdString();
    EXPECT_EQ(FindProgramFile("language_ger.lwl", p, c), "language_ger.lwl");
    touch(current);
    EXPECT_EQ(FindProgramFile("language_ger.lwl", p, c), c + "/language_ger.lwl");
    touch(program);
    EXPECT_EQ(FindProgramFile("language_ger.lwl", p, c), p + "/language_ger.lwl");
    EXPECT_EQ(LanguageFilePath(2), "");
}

TEST_F(LanguageSwitch, GermanAtStartUpRelabelsBeforeTheFirstConnectionAttempt)
{
    EXPECT_EQ(LabelAtFirstConnection("LANGUAGE = 0\r\n"), "VERBINDEN");
    EXPECT_EQ(AppState.LanguageIndex, 0);
    EXPECT_EQ(MessageBoxText().rfind("Verbindungsaufbau!\n", 0), 0u) << MessageBoxText();
    EXPECT_EQ(GetCtrlText(AppState.TabService, TABP_SERVICE_TEXTMSG_OFFSET_INSTRUCTION),
              Tr(kMsgOffsetInstruction));
    EXPECT_NE(std::string(Tr(kMsgOffsetInstruction)).find("OFFSET BERECHNEN"), std::string::npos);
}

TEST_F(LanguageSwitch, EnglishOrNoLanguageAtStartUpReadsNoLanguageFile)
{
    // Language files that would show that they were read.
    QTemporaryDir marked;
    for (const char *name : {kLanguageFileEnglish, kLanguageFileGerman}) {
        std::string text = ReadWholeFile(SourceDir() + "/lang/" + name);
        const size_t at =
            text.find("Label = \"", text.find("[TABP_CONNECT_BUTTON_TRY_TO_CONNECT]"));
        ASSERT_NE(at, std::string::npos);
        text.insert(at + 9, "MARKED ");
        QFile f(marked.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), qint64(text.size()));
    }
    SetLanguageDirectory(marked.path().toStdString());
    for (const char *general : {"LANGUAGE = 1\r\n", ""}) {
        EXPECT_EQ(LabelAtFirstConnection(general), "CONNECT") << general;
        EXPECT_EQ(AppState.LanguageIndex, 1);
    }
}

TEST_F(LanguageSwitch, TheNextMessageFollowsTheNewLanguageAndEarlierLinesStay)
{
    sim::SimRunner sensor;
    ASSERT_TRUE(sensor.start());
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 1);
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, "127.0.0.1");
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_STRING_PORT_NUMBER,
               std::to_string(sensor.tcpPort()).c_str());
    SimulateCtrlEvent(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT, EVENT_COMMIT);
    ASSERT_EQ(AppState.SensorConnected, 1) << MessageBoxText();
    const std::string english = MessageBoxText();
    ASSERT_EQ(english.rfind("Try to connect!\n", 0), 0u);

    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, 0);
    SimulateCtrlEvent(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, EVENT_COMMIT);
    EXPECT_EQ(AppState.LanguageIndex, 0);
    EXPECT_EQ(ConnectLabel(), "VERBINDEN");
    EXPECT_EQ(MessageBoxText(), english); // switching rewrites nothing already written

    SimulateCtrlEvent(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT, EVENT_COMMIT);
    const std::string both = MessageBoxText();
    EXPECT_EQ(both.substr(0, english.size()), english);
    EXPECT_EQ(both.substr(english.size()).rfind("Verbindungsaufbau!\n", 0), 0u) << both;
    EXPECT_NE(both.find("Seriennummer: "), std::string::npos);

    QTest::mouseClick(CtrlWidget(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE), Qt::RightButton);
    ASSERT_NE(responder.last(), nullptr);
    EXPECT_EQ(responder.last()->title, "Info!");
    EXPECT_EQ(responder.last()->text, "Sprache auswaehlen.");

    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, 1);
    SimulateCtrlEvent(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, EVENT_COMMIT);
    EXPECT_EQ(ConnectLabel(), "CONNECT");
    EXPECT_EQ(GetCtrlText(AppState.TabService, TABP_SERVICE_TEXTMSG_OFFSET_INSTRUCTION),
              kMsgOffsetInstruction.en);
}

TEST_F(LanguageSwitch, QtsOwnDialogTextsFollowTheLanguage)
{
    // The Yes and No of every question come from Qt itself; where the system has Qt's German
    // texts they are German with the program, and English again after the switch back.
    const auto yes = [] { return QCoreApplication::translate("QPlatformTheme", "&Yes"); };
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm"))
        GTEST_SKIP() << "Qt's German translations are not installed";
    for (int language : {0, 1, 0, 1}) {
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, language);
        SimulateCtrlEvent(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, EVENT_COMMIT);
        EXPECT_EQ(yes(), language == 0 ? "&Ja" : "&Yes") << "language " << language;
    }
}

TEST_F(LanguageSwitch, ARightClickOnEveryListedControlShowsItsHelpAndDoesNothingElse)
{
    RawPeer peer; // any exchange that a click started would reach it
    OpenTcp(peer.port());
    SetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, kPageService, 1);
    PanelWidget(AppState.MainPanel)->show();

    std::istringstream names(kHelpCallbacks);
    std::set<std::string> listed, reached;
    for (std::string n; names >> n;)
        listed.insert(n);
    std::vector<std::string> problems;
    for (int panel : LayerPanelHandles())
        for (int control : PanelControls(panel)) {
            const std::string callback = CtrlCallbackName(panel, control);
            if (!listed.count(callback))
                continue;
            reached.insert(callback);
            SetCtrlAttribute(panel, control, ATTR_DIMMED, 0);
            const size_t shown = responder.shown.size();
            const std::string box = MessageBoxText(), status = StatusText();
            const int page = ActiveMainPage();
            const bool dataShown = PanelWidget(AppState.DataPanel)->isVisible();
            QTest::mouseClick(CtrlWidget(panel, control), Qt::RightButton);
            const std::string where = callback + " on control " + std::to_string(control);
            if (responder.shown.size() != shown + 1 ||
                responder.shown.back().kind != PopupRequest::kMessage ||
                responder.shown.back().title != "Message!" || responder.shown.back().text.empty())
                problems.push_back(where + ": no help popup");
            if (MessageBoxText() != box || StatusText() != status || ActiveMainPage() != page ||
                PanelWidget(AppState.DataPanel)->isVisible() != dataShown ||
                !peer.requests.empty() || AppState.AcquisitionRunning || AppState.ScanRunning)
                problems.push_back(where + ": acted");
        }
    for (const std::string &n : listed)
        if (!reached.count(n))
            problems.push_back(n + ": no control has it");
    std::string report;
    for (const std::string &p : problems)
        report += "\n  " + p;
    EXPECT_TRUE(problems.empty()) << report;
}

TEST_F(LanguageSwitch, TheHeaderShowsNameMakerAndLogo)
{
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(SourceDir() + "/lang")); // the logo is found here
    ShowLogo();
    QDir::setCurrent(cwd);
    QWidget *main = PanelWidget(AppState.MainPanel);
    auto labelAt = [&](int left, int top) -> QLabel * {
        for (QLabel *l : main->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly))
            if (l->pos() == QPoint(left, top) && !l->text().isEmpty())
                return l;
        return nullptr;
    };
    QLabel *title = labelAt(547, 29);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text().toStdString(), "ORVANTE2 Scope V1.3");
    EXPECT_EQ(title->toolTip().toStdString(), "ORVANTE2 Scope V1.3.0");
    for (int top : {6, 22, 36})
        EXPECT_NE(labelAt(15, top), nullptr) << top;
    auto *logo = qobject_cast<QLabel *>(CtrlWidget(AppState.MainPanel, MAINP_PICTURE_LOGO));
    EXPECT_EQ(logo->pos(), QPoint(549, 6));
    EXPECT_FALSE(logo->pixmap().isNull());
}
