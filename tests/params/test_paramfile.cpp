// Parameter files: the exact text SEND writes, what GET makes of good, odd and broken files, the
// type and version questions and the missing-key report.
#include "params_fixture.h"

#include "link/connect.h"
#include "params/paramfile.h"

#include <QFile>

#include <cstring>
#include <random>

namespace {

const char kHeader[] = "[GENERAL INFO]\r\nFILE TYPE: = \"Parameter File\"\r\n"
                       "SCOPE VERSION: = \"ORVANTE2 Scope V1.3\"\r\n\r\n[PARAMETER]\r\n";
const char kDefaultItems[] =
    "POWER SOURCE = 0\r\nPOWER CH0 = 500\r\nPOWER CH1 = 500\r\nPOWER MODE = 0\r\n"
    "DYNWIN LO = 3200\r\nDYNWIN HI = 3300\r\nLED MODE = 0\r\nGAIN = 5\r\nAVERAGE = 1\r\n"
    "INTEGRAL = 1\r\nANALOG OUTMODE = 0\r\nANALOG RANGE = 0\r\nANALOG OUT = 0\r\n"
    "DIGITAL OUTMODE = 1\r\nHOLD = 100\r\nTHRESHOLD MODE = 0\r\nTHRESHOLD TRACING = 0\r\n"
    "TT UP = 100\r\nTT DOWN = 100\r\nTHRESHOLD CALC = 1\r\nTEACH VALUE = 2000\r\n"
    "TOLERANCE = 20\r\nHYSTERESIS = 10\r\nEXTERN TEACH = 0\r\nDEAD TIME = 0\r\n"
    "EVALUATION MODE = 0\r\n\r\n";
const char kAllKeys[] = "POWER SOURCE\nPOWER CH0\nPOWER CH1\nPOWER MODE\nDYNWIN LO\nDYNWIN HI\n"
                        "LED MODE\nGAIN\nAVERAGE\nINTEGRAL\nANALOG OUTMODE\nANALOG RANGE\n"
                        "ANALOG OUT\nDIGITAL OUTMODE\nHOLD\nTHRESHOLD MODE\nTHRESHOLD TRACING\n"
                        "TT UP\nTT DOWN\nTHRESHOLD CALC\nTEACH VALUE\nTOLERANCE\nHYSTERESIS\n"
                        "EXTERN TEACH\nDEAD TIME\nEVALUATION MODE\n";
const std::string kReport =
    "Following parameter could not be read \nand were set to default value:\n\n";

const std::string kChangedEn =
    "The controls cannot take the following values of the file; \nthey were changed (name: "
    "value in the file -> value used):\n\n";
const std::string kChangedDe =
    "Folgende Werte der Datei kann die Oberflaeche nicht einstellen; \nsie wurden geaendert "
    "(Name: Wert in der Datei -> verwendeter Wert):\n\n";

std::string Replaced(std::string text, const std::string &from, const std::string &to)
{
    return text.replace(text.find(from), from.size(), to);
}

class ParamFile : public ParamsTest {
protected:
    void SetUp() override
    {
        ParamsTest::SetUp();
        AppState.MemorySelect = kMemoryFile;
    }
    std::string Path(const char *name) const { return dir.filePath(name).toStdString(); }
    void Write(const char *name, const std::string &text) const
    {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), qint64(text.size()));
    }
    std::string Read(const char *name) const
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<missing>";
    }
    // SEND or GET with the dialog answered by `name` and the questions by `answers`.
    void Press(int button, const char *name, std::vector<int> answers = {})
    {
        responder.shown.clear();
        responder.push(VAL_EXISTING_FILE_SELECTED, Path(name));
        for (int a : answers)
            responder.push(a);
        SimulateCtrlEvent(AppState.MainPanel, button, EVENT_COMMIT);
    }
    void Send(const char *name) { Press(MAINP_BUTTON_SEND, name); }
    void Get(const char *name, std::vector<int> answers = {})
    {
        Press(MAINP_BUTTON_GET, name, std::move(answers));
    }
    // The texts of the popups after the file dialog.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> t;
        for (const PopupRequest &r : responder.shown)
            if (r.kind != PopupRequest::kFileSelect)
                t.push_back(r.text);
        return t;
    }
    // The odd set saved by SEND and the pages reset to the defaults.
    void SaveOddSet(const char *name)
    {
        Parameters = OddSet();
        SetPanelValues();
        Send(name);
        Parameters = ParameterRecord{};
        SetPanelValues();
    }
};

} // namespace

TEST_F(ParamFile, SendWritesTheFileByteForByte)
{
    Send("Parameter.ini");
    EXPECT_EQ(Read("Parameter.ini"), std::string(kHeader) + kDefaultItems);
    EXPECT_TRUE(Texts().empty());
    const PopupRequest &d = responder.shown.at(0);
    EXPECT_EQ(d.title, "Parameter");
    EXPECT_EQ(d.defaultName, "Parameter.ini");
    EXPECT_EQ(d.filter, "*.ini");
    EXPECT_EQ(AppState.ParameterFilePath, Path("Parameter.ini"));
    Send("Parameter.ini");
    EXPECT_EQ(responder.shown.at(0).directory, dir.path().toStdString() + "/");
}

TEST_F(ParamFile, SaveAndLoadReproduceAllValues)
{
    SaveOddSet("odd.ini");
    const std::string text = Read("odd.ini");
    EXPECT_NE(text.find("\r\nHOLD = 7\r\n"), std::string::npos) << "0.1 ms units";
    EXPECT_NE(text.find("\r\nTT UP = 60000\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nDEAD TIME = 50\r\nEVALUATION MODE = 17\r\n"), std::string::npos);
    Get("odd.ini");
    EXPECT_TRUE(Texts().empty());
    ExpectRecord(Parameters, OddSet());
    ExpectRecord(Pages(), OddSet());
}

TEST_F(ParamFile, CancelledDialogsDoNothing)
{
    responder.push(VAL_NO_FILE_SELECTED);
    SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT);
    SetCtrlVal(P(), TABP_PARAM_NUMERIC_AVERAGE, 9);
    responder.push(VAL_EXISTING_FILE_SELECTED, Path("typed-new-name.ini"));
    SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_GET, EVENT_COMMIT);
    const std::string noFile = "No file was selected! \nProcess will not be done!";
    EXPECT_EQ(Texts(), (std::vector<std::string>{noFile, noFile}));
    EXPECT_EQ(Pages().Average, 9);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);
}

TEST_F(ParamFile, KeysMatchInAnyOrderCaseAndSpacing)
{
    std::string items = Replaced(kDefaultItems, "DEAD TIME = 0\r\nEVALUATION MODE = 0",
                                 "EVALUATION MODE = 4\r\nDEAD TIME = 9");
    items = Replaced(items, "POWER CH0 = 500", "power ch0 = 321");
    items = Replaced(items, "TOLERANCE = 20", "   TOLERANCE   =  77  ");
    Write("keys.ini", kHeader + items);
    Get("keys.ini");
    EXPECT_TRUE(Texts().empty());
    EXPECT_EQ(Parameters.EvaluationMode, 4);
    EXPECT_EQ(Parameters.DeadTime, 9);
    EXPECT_EQ(Parameters.PowerCh0, 321);
    EXPECT_EQ(Parameters.Tolerance, 77);
}

TEST_F(ParamFile, UnreadableValuesTakeTheirDefaultsAndAreReported)
{
    std::string items = Replaced(kDefaultItems, "POWER CH0 = 500", "POWER CH0 = abc");
    items = Replaced(items, "POWER CH1 = 500", "POWER CH1 =");
    items = Replaced(items, "TT UP = 100", "TT UP = 70000");
    items = Replaced(items, "TT DOWN = 100", "TT DOWN = -1");
    items = Replaced(items, "HOLD = 100", "HOLD = 99999999999");
    Write("bad.ini", kHeader + items);
    Get("bad.ini");
    // Values cut to 16 bits or beyond a control's range are listed too (after the rules).
    EXPECT_EQ(Texts(), (std::vector<std::string>{kReport + "POWER CH0\nPOWER CH1\nHOLD\n",
                                                 kChangedEn + "TT UP: 70000 -> 4464\n"
                                                              "TT DOWN: -1 -> 60000\n"}));
    EXPECT_EQ(responder.shown.back().title, "Message!");
    EXPECT_EQ(Parameters.PowerCh0, 500);
    EXPECT_EQ(Parameters.PowerCh1, 500);
    EXPECT_EQ(Parameters.Hold, 100);
    EXPECT_EQ(Parameters.TtUp, 4464); // the low 16 bits
    EXPECT_EQ(Parameters.TtDown, 65535);
    EXPECT_EQ(Pages().TtDown, 60000) << "the control clamps what it cannot show";
}

TEST_F(ParamFile, TypeAndVersionAreComparedExactlyAndAsked)
{
    SaveOddSet("odd.ini");
    const std::string text = Read("odd.ini");
    Write("lower.ini", Replaced(text, "Parameter File", "parameter file"));
    Write("old.ini", Replaced(text, "V1.3\"", "V1.2\""));
    const std::string typeQuestion =
        "Selected file is not a parameter file! \nDo you want to proceed anyway?";
    const std::string versionQuestion =
        "Selected file and scope version do not match! \nDo you want to proceed anyway?";

    // No: nothing is read and the pages keep what the operator edited meanwhile.
    SetCtrlVal(P(), TABP_PARAM_NUMERIC_AVERAGE, 3);
    Get("lower.ini", {0});
    EXPECT_EQ(Texts(), (std::vector<std::string>{typeQuestion, "No parameter were read!"}));
    EXPECT_EQ(responder.shown[1].kind, PopupRequest::kConfirm);
    ExpectRecord(Parameters, ParameterRecord{});
    EXPECT_EQ(Pages().Average, 3);
    Get("old.ini", {0});
    EXPECT_EQ(Texts(), (std::vector<std::string>{versionQuestion, "No parameter were read!"}));

    // Yes: read as any other file.
    Get("lower.ini", {1});
    EXPECT_EQ(Texts(), (std::vector<std::string>{typeQuestion}));
    ExpectRecord(Parameters, OddSet());
    Parameters = ParameterRecord{};
    Get("old.ini", {1});
    EXPECT_EQ(Texts(), (std::vector<std::string>{versionQuestion}));
    ExpectRecord(Pages(), OddSet());
}

// Broken files load as the format says: the questions answered with Yes, the defaults for
// whatever cannot be read, the report, and never a crash or a hang.
TEST_F(ParamFile, BrokenFilesLoadDefaultsAndReport)
{
    std::mt19937 rng(7);
    std::string binary(4096, '\0');
    for (char &c : binary)
        c = char(rng());
    const std::string longLine(200000, 'x');
    struct Case {
        const char *name;
        std::string text;
        int questions;
        std::string report; // empty: no report
        uint16_t gain;
    } cases[] = {
        {"empty", "", 2, kReport + kAllKeys, 5},
        {"binary", binary, 2, kReport + kAllKeys, 5},
        {"no section", Replaced(kHeader, "[PARAMETER]\r\n", ""), 0, kReport + kAllKeys, 5},
        {"long lines",
         kHeader + Replaced(kDefaultItems, "GAIN = 5\r\n", "GAIN = 8\r\n" + longLine + "\r\n"), 0,
         "", 8},
        {"duplicated",
         kHeader + Replaced(kDefaultItems, "GAIN = 5", "gain = 3\r\nGAIN = 4") +
             "[PARAMETER]\r\nGAIN = 2\r\n",
         0, "", 3},
    };
    for (Case &c : cases) {
        SCOPED_TRACE(c.name);
        Parameters = OddSet();
        Write("broken.ini", c.text);
        Get("broken.ini", std::vector<int>(size_t(c.questions), 1));
        EXPECT_EQ(responder.countOf(PopupRequest::kConfirm), c.questions);
        EXPECT_EQ(Parameters.Gain, c.gain);
        const std::vector<std::string> texts = Texts();
        EXPECT_EQ(texts.empty() ? "" : texts.back(), c.report) << "the report comes last";
    }
}

TEST_F(ParamFile, OfflineGetReadsAFileWithoutASensor)
{
    SaveOddSet("odd.ini");
    AppState.MemorySelect = kMemoryRam;
    Disconnect();
    EXPECT_EQ(AppState.MemorySelect, kMemoryFile);
    Get("odd.ini");
    ExpectRecord(Pages(), OddSet());
}

// A value a control cannot take (a ring without that item, a number beyond the range) would be
// sent changed: after loading, one message names each such word with the file's value and the
// one used, in the current language. A file the controls take as it stands gets no message.
TEST_F(ParamFile, ValuesTheControlsCannotTakeAreListedInOneMessage)
{
    std::string items = Replaced(kDefaultItems, "POWER CH0 = 500", "POWER CH0 = -7");
    items = Replaced(items, "GAIN = 5", "GAIN = 99");
    items = Replaced(items, "DEAD TIME = 0", "DEAD TIME = 101");
    items = Replaced(items, "TEACH VALUE = 2000", "TEACH VALUE = 4095");
    Write("odd.ini", kHeader + items);
    const std::string lines = "POWER CH0: -7 -> 1000\nGAIN: 99 -> 5\nDEAD TIME: 101 -> 100\n";
    for (int language : {1, 0}) {
        SCOPED_TRACE(language);
        AppState.LanguageIndex = language;
        Parameters = ParameterRecord{};
        SetPanelValues();
        Get("odd.ini");
        EXPECT_EQ(Texts(), (std::vector<std::string>{(language ? kChangedEn : kChangedDe) +
                                                     lines}));
        EXPECT_EQ(responder.shown.back().title, language ? "Message!" : "Info!");
        EXPECT_EQ(Pages().PowerCh0, 1000);
        EXPECT_EQ(Pages().TeachValue, 4095) << "the top of a range is taken as it stands";
    }
    Write("good.ini", kHeader + std::string(kDefaultItems));
    Get("good.ini");
    EXPECT_TRUE(Texts().empty());
}
