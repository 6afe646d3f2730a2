// Every file the program writes, into a folder that vanished and onto a full disk: the record
// file (its header, the lines of an interval recording and a manual one), the parameter file,
// the conversion table file, the panel settings and the hardware information file. Each cell
// checks that the operator is told, with the path, that nothing is called saved, and that a
// file already there is as it was. The full disk is the file-size limit of this process
// (RLIMIT_FSIZE, with SIGXFSZ ignored so that a write past it fails instead of killing us).
// Run the program by itself to see the whole table.
#include "common/harness.h"

#include "app/settings.h"
#include "convtable/convtable.h"
#include "link/exchange.h"
#include "params/paramfile.h"
#include "params/transfer.h"
#include "recorder/record_file.h"
#include "recorder/recorder.h"
#include "service/service.h"
#include "sim/sim_runner.h"

#include <QTimer>

#include <csignal>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// While it lives, no file of this process may grow beyond `bytes`.
class FullDisk {
public:
    explicit FullDisk(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

// Longer than any limit below: an existing file that the program may not damage.
const std::string kOldContents =
    "\nRecord results of: ORVANTE2 Scope V1.3\r\n\r\nDATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n"
    "01-02-2026\t10:00:00\t1\t2\t3\t4\r\n";
constexpr rlim_t kDiskFullAt = 16; // bytes

std::map<std::string, std::vector<std::string>> &Table()
{
    static std::map<std::string, std::vector<std::string>> t;
    return t;
}

class PrintTable : public testing::Environment {
public:
    void TearDown() override
    {
        if (Table().empty())
            return;
        std::printf("\n%-16s %-9s %-9s\n", "file", "vanished", "full");
        for (const auto &[file, cells] : Table()) {
            std::printf("%-16s", file.c_str());
            for (const std::string &c : cells)
                std::printf(" %-9s", c.c_str());
            std::printf("\n");
        }
        std::printf("ok = the operator is told (with the path), nothing is called saved, an "
                    "existing file is as it was\n");
    }
};
const auto *const kPrinter = testing::AddGlobalTestEnvironment(new PrintTable);

class DiskFaults : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(sensor.start());
        OpenTcp(sensor.tcpPort());
        AppState.SensorConnected = 1;
        AppState.LanguageIndex = 1;
    }
    void TearDown() override
    {
        sensor.stop();
        AppTest::TearDown();
    }

    // The file dialog's answer: the path, as an existing file or a new one.
    void Choose(const std::string &path)
    {
        responder.push(std::filesystem::exists(path) ? VAL_EXISTING_FILE_SELECTED
                                                     : VAL_NEW_FILE_SELECTED,
                       path);
    }

    // Everything the operator was told: popups and the connect page's message box.
    std::string Told() const
    {
        std::string all;
        for (const PopupRequest &r : responder.shown)
            if (r.kind != PopupRequest::kFileSelect)
                all += r.text + "\n";
        return all + GetCtrlText(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES);
    }

    // Runs `write` (which writes the file at the path it is given) once into a folder that no
    // longer exists and once onto a full disk over an existing file; `expected` is the start of
    // what the operator must be told (followed, somewhere, by the path).
    void Run(const std::string &name, const std::function<void(const std::string &)> &write,
             const std::string &expected)
    {
        std::vector<std::string> row;
        for (bool full : {false, true}) {
            SCOPED_TRACE(name + (full ? " onto a full disk" : " into a vanished folder"));
            responder.shown.clear();
            ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
            const std::string folder = dir.filePath(full ? "full" : "gone").toStdString();
            std::filesystem::create_directories(folder);
            const std::string path = folder + "/" + name + ".file";
            if (full) {
                WriteAll(path, kOldContents);
                FullDisk disk(kDiskFullAt);
                write(path);
            } else {
                std::filesystem::remove_all(folder);
                write(path);
            }
            const std::string told = Told();
            const bool said = told.find(expected) != std::string::npos &&
                              told.find(path) != std::string::npos;
            const bool calledSaved = told.find("File has been saved!") != std::string::npos;
            const bool intact = full ? ReadAll(path) == kOldContents
                                     : !std::filesystem::exists(folder);
            EXPECT_TRUE(said) << told;
            EXPECT_FALSE(calledSaved) << told;
            EXPECT_TRUE(intact) << ReadAll(path);
            // Nothing left beside the target either.
            if (full) {
                EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                                        std::filesystem::directory_iterator()),
                          1);
            }
            row.push_back(said && !calledSaved && intact ? "ok" : "FAIL");
        }
        Table()[name] = row;
    }

    sim::SimRunner sensor;
};

} // namespace

TEST_F(DiskFaults, RecordFileHeader)
{
    Run("record header", [this](const std::string &path) {
        Choose(path);
        if (std::filesystem::exists(path))
            responder.push(1); // yes, that existing file
        CBF_ButtonSelRecFile(AppState.TabRecorder, TABP_RECORDER_BUTTON_SEL_REC_FILE,
                             EVENT_COMMIT, nullptr, 0, 0);
    }, "File could not be saved!\n");
}

TEST_F(DiskFaults, IntervalRecording)
{
    Run("recording", [this](const std::string &path) {
        CopyField(AppState.RecordFilePath, path.c_str());
        SetCtrlVal(AppState.TabRecorder, TABP_RECORDER_RING_RECORD_MODE, kRecordCount);
        SetCtrlVal(AppState.TabRecorder, TABP_RECORDER_NUMERIC_INTERVAL, 0.25);
        SetCtrlVal(AppState.TabRecorder, TABP_RECORDER_NUMERIC_REC_VALUES, 2);
        responder.push(1); // the start confirmation
        CBF_ButtonStartRecord(AppState.TabRecorder, TABP_RECORDER_BUTTON_START_RECORD,
                              EVENT_COMMIT, nullptr, 0, 0);
    }, "2 of 2 lines could not be written to:\n");
}

TEST_F(DiskFaults, TriggeredRecording)
{
    sensor.withModel([](sim::SensorModel &m) { m.setAutoSendIntervalMs(20); });
    Run("trig. recording", [this](const std::string &path) {
        CopyField(AppState.RecordFilePath, path.c_str());
        SetCtrlVal(AppState.TabRecorder, TABP_RECORDER_RING_RECORD_MODE, kRecordTriggered);
        responder.push(1); // the start confirmation
        QTimer::singleShot(500, [] { AppState.AcquisitionRunning = 0; }); // STOP
        CBF_ButtonStartTrigRec(AppState.TabRecorder, TABP_RECORDER_BUTTON_START_TRIG_REC,
                               EVENT_COMMIT, nullptr, 0, 0);
    }, " lines could not be written to:\n");
}

TEST_F(DiskFaults, ManualRecord)
{
    Run("manual record", [](const std::string &path) {
        CopyField(AppState.RecordFilePath, path.c_str());
        CBF_ButtonManualRecord(AppState.TabRecorder, TABP_RECORDER_BUTTON_MANUAL_RECORD,
                               EVENT_COMMIT, nullptr, 0, 0);
    }, "1 of 1 lines could not be written to:\n");
}

TEST_F(DiskFaults, ParameterFile)
{
    Run("parameter file", [this](const std::string &path) {
        AppState.MemorySelect = kMemoryFile;
        Choose(path);
        SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT);
    }, "File could not be saved!\n");
}

TEST_F(DiskFaults, ConversionTableFile)
{
    Run("table file", [this](const std::string &path) {
        Choose(path);
        if (std::filesystem::exists(path))
            responder.push(1); // yes, replace it
        SaveConvTableToFile();
    }, "File could not be saved!\n");
}

TEST_F(DiskFaults, PanelSettings)
{
    Run("settings", [](const std::string &path) {
        CopyField(AppState.SettingsPath, path.c_str());
        StorePanelSettings();
    }, "File could not be saved!\n");
}

TEST_F(DiskFaults, HardwareInformationFile)
{
    Run("hw info file", [this](const std::string &path) {
        Choose(path);
        GenerateHWInfoFile();
    }, "File could not be saved!");
}
