// orvante2-cli: the sensor operations of the app for scripts and test stations, over TCP/IP or
// a serial device, without panels. It drives the same exchange and the same file writers as the
// app; link failures arrive through the exchange's failure sink and go to standard error in the
// chosen language.
#include "cli/cli.h"

#include "app/appstate.h"
#include "app/messages.h"
#include "platform/rs232.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "live/data_frame.h"
#include "params/pagecheck.h"
#include "params/paramfile.h"
#include "params/record.h"
#include "params/transfer.h"
#include "service/service.h"
#include "support/ini.h"

#include <QApplication>

#include <algorithm>
#include <functional>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char *const kUsage =
    "Usage: orvante2-cli LINK [--lang de|en] COMMAND [OPTIONS]\n"
    "\n"
    "LINK:\n"
    "  --tcp HOST[:PORT]        TCP/IP (port 5000 when left out)\n"
    "  --serial DEVICE|COMn     serial line, e.g. /dev/ttyUSB0, /dev/pts/3 or COM33\n"
    "  --baud RATE              9600 ... 921600 (default 115200)\n"
    "\n"
    "COMMANDS:\n"
    "  identify                 firmware, sensor name and serial number\n"
    "  params get  --memory ram|eeprom --file F   sensor -> parameter file\n"
    "  params send --memory ram|eeprom --file F [--clamp]   parameter file -> sensor; a\n"
    "                           value a control of the app cannot take refuses the file\n"
    "                           (exit 4) unless --clamp: then listed, changed and sent\n"
    "  live --count N           N live data frames as TSV on standard output\n"
    "  offset get               receiver offsets and setting-time factor as TSV\n"
    "  offset calc              the sensor measures the offsets (receivers covered) and shows "
    "them\n"
    "  offset send --ch0 N --ch1 N   writes the receiver offsets\n"
    "  record --interval S --count N [--file F [--id TEXT]]   N data frames, each request S\n"
    "                           seconds after the one before (S 0.25 ... 86400, or 0: back to\n"
    "                           back; N 1 ... 65535), into the record file F as the app writes\n"
    "                           it (TEXT: its identification line), or as TSV on standard\n"
    "                           output (DATE TIME CH0 CH1 TEMP SIG) at the end\n"
    "  scope [--trigger MODE] [--level L] [--pretrigger P] [--rate R]   one capture, its four\n"
    "                           traces as TSV: SAMPLE CH0 CH1 SIG STATUS (bit 0 OUT0, bit 1\n"
    "                           OUT1, bit 8 IN0, bit 9 IN1). MODE single, rising, falling, out0\n"
    "                           or in0 (or 0 ... 4; default single), L 0 ... 4095 (2000),\n"
    "                           P 0 ... 127 (0), R 1 ... 32767 (1); waits 30 s for the trigger\n"
    "                           and the capture (--timeout S: S seconds), then breaks it off\n"
    "  convtable get --file F   the 64 points of the sensor's conversion table -> table file\n"
    "  convtable send --file F  the table file's 64 points -> the sensor's table in EEPROM\n"
    "  convtable send-data --file F   the conversion data calculated from the table file's\n"
    "                           points -> sensor EEPROM (the curve the sensor converts with)\n"
    "  hwinfo --file F          hardware information file for support (firmware, hardware\n"
    "                           information, parameters in RAM, offsets)\n"
    "\n"
    "OPTIONS FOR EVERY COMMAND:\n"
    "  --timeout S              seconds to wait for each answer (0.05 ... 60, default 3)\n"
    "\n"
    "Messages are in English unless --lang de is given.\n"
    "\n"
    "Exit codes:\n"
    "  0  success\n"
    "  1  usage error\n"
    "  2  link or sensor failure (nothing was written)\n"
    "  3  firmware does not match this program's version (identify)\n"
    "  4  file error (unreadable, not a parameter or table file, incomplete, not writable,\n"
    "     values the app's controls cannot take)\n";

void ReportLinkFailure(const char *message)
{
    Print(stderr, message);
}

bool ParseCount(const std::string &text, int *count)
{
    char *end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || v < 1 || v > 1000000)
        return false;
    *count = int(v);
    return true;
}

bool ParseWord(const std::string &text, int *word)
{
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (v > 65535)
        return false;
    *word = int(v);
    return true;
}

// Empty on success, else what is wrong.
std::string ParseOptions(int argc, char **argv, Options *o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string *into) {
            if (i + 1 >= argc)
                return false;
            *into = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--tcp") {
            if (!value(&o->tcp))
                return "--tcp needs HOST[:PORT]";
        } else if (a == "--serial") {
            if (!value(&o->serial))
                return "--serial needs a device";
        } else if (a == "--baud") {
            if (!value(&v))
                return "--baud needs a rate";
            o->baud = std::strtol(v.c_str(), nullptr, 10);
        } else if (a == "--lang") {
            if (!value(&o->lang) || (o->lang != "de" && o->lang != "en"))
                return "--lang is de or en";
        } else if (a == "--memory") {
            if (!value(&o->memory) || (o->memory != "ram" && o->memory != "eeprom"))
                return "--memory is ram or eeprom";
        } else if (a == "--file") {
            if (!value(&o->file) || o->file.empty())
                return "--file needs a path";
        } else if (a == "--count") {
            if (!value(&v) || !ParseCount(v, &o->count))
                return "--count needs a number from 1 to 1000000";
        } else if (a == "--ch0" || a == "--ch1") {
            if (!value(&v) || !ParseWord(v, a == "--ch0" ? &o->ch0 : &o->ch1))
                return a + " needs a number from 0 to 65535";
        } else if (a == "--timeout") {
            // The exchange's setter holds the range; what it refuses is a usage error.
            char *end = nullptr;
            if (!value(&v) || v.empty() || !(o->timeout = std::strtod(v.c_str(), &end), !*end) ||
                !SetAnswerTimeLimit(o->timeout))
                return "--timeout needs seconds from 0.05 to 60";
        } else if (a == "--clamp") {
            o->clamp = true;
        } else if (a == "--interval") {
            if (!value(&o->interval))
                return "--interval needs seconds";
        } else if (a == "--trigger") {
            if (!value(&o->trigger))
                return "--trigger needs a mode";
        } else if (a == "--level") {
            if (!value(&o->level))
                return "--level needs a value";
        } else if (a == "--pretrigger") {
            if (!value(&o->pretrigger))
                return "--pretrigger needs a value";
        } else if (a == "--id") {
            if (!value(&o->id))
                return "--id needs a text";
        } else if (a == "--rate") {
            if (!value(&o->rate))
                return "--rate needs a value";
        } else if (a.rfind("--", 0) == 0) {
            return "unknown option " + a;
        } else {
            o->words.push_back(a);
        }
    }
    if (o->tcp.empty() == o->serial.empty())
        return "give either --tcp or --serial";
    return {};
}

int BaudIndexOf(long baud)
{
    for (int i = 0; i < 8; ++i)
        if (BaudrateOfIndex(i) == baud)
            return i;
    return -1;
}

// Opens the link; false after the failure has been reported.
bool OpenLink(const Options &o, std::string *problem)
{
    if (!o.tcp.empty()) {
        std::string host = o.tcp;
        unsigned port = 5000;
        const size_t colon = host.rfind(':');
        if (colon != std::string::npos) {
            port = PortNumberOf(host.c_str() + colon + 1);
            host.resize(colon);
            if (port == 0 || port > 65535) {
                *problem = "bad port in --tcp";
                return false;
            }
        }
        AppState.ComProtocol = 1;
        CopyField(AppState.ServerAddress, host.c_str());
        AppState.PortNumber = port;
        InitTCP_IP();
        return AppState.OpenResult >= 0;
    }
    int com = 0;
    if (o.serial.size() > 3 && (o.serial.rfind("COM", 0) == 0 || o.serial.rfind("com", 0) == 0))
        com = std::atoi(o.serial.c_str() + 3);
    else
        com = ComPortFromDevice(o.serial);
    if (com <= 0 || ComPortDevice(com).empty()) {
        *problem = "no COM number for serial device " + o.serial;
        return false;
    }
    const int index = BaudIndexOf(o.baud);
    if (index < 0) {
        *problem = "unsupported baud rate";
        return false;
    }
    AppState.ComProtocol = 0;
    AppState.ComPort = uint16_t(com);
    AppState.BaudrateIndex = uint16_t(index);
    InitRS232();
    return AppState.OpenResult >= 0;
}

int Identify()
{
    if (!Exchange(frame::kOrderFirmwareId))
        return kExitLink;
    char id[73] = {};
    std::memcpy(id, AppState.RxBuffer + frame::kHeaderSize, 72);
    const FirmwareParts parts = SplitFirmwareId(id);
    if (parts.version() != kFirmwareVersion) {
        Print(stderr, std::string(Tr(kMsgVersionMismatch)) + parts.version());
        return kExitVersion;
    }
    if (!Exchange(frame::kOrderNameSerial))
        return kExitLink;
    char name[256] = {};
    const int length = std::min<int>(AppState.RxHeader.length, int(sizeof name) - 1);
    std::memcpy(name, AppState.RxBuffer + frame::kHeaderSize, size_t(length));
    std::printf("Firmware: %s\n%s%s\n%s%u\n", parts.versionLine().c_str(), Tr(kMsgSensor), name,
                Tr(kMsgSerial), unsigned(AppState.RxHeader.arg));
    return kExitOk;
}

int ParamsGet(const Options &o)
{
    ParameterRecord record;
    bool plausibilityFailed = false;
    const auto report = [&](const std::string &text) {
        Print(stderr, text);
        plausibilityFailed = true;
    };
    if (GetParaRecord(o.memory == "eeprom", &record, report) != 1)
        return kExitLink;
    // The sensor replaced a failed EEPROM set by its defaults: those are not what was asked
    // for, so they are not written as if they were.
    if (plausibilityFailed)
        return kExitLink;
    if (!ThroughThePages(&record))
        return kExitLink;
    if (WriteParameterFile(record, o.file.c_str()) < 0) {
        Print(stderr, std::string(Tr(kMsgFileNotWritten)) + o.file);
        return kExitFile;
    }
    return kExitOk;
}

// Reads a complete parameter file; the exit code of the failure, or kExitOk. The app asks
// whether to go on with a file of another type or version, and sends defaults for missing keys;
// a script cannot answer, so such a file is refused with the first line of that question (or the
// list of missing keys) and the app's refusal.
int ReadParameterFile(const std::string &path, ParameterRecord *record, WrittenValues *written)
{
    return ReadAppFile(
        path,
        [](IniText ini) -> const Msg * {
            switch (CheckParameterFile(ini)) {
            case ParameterFileCheck::kGood: return nullptr;
            case ParameterFileCheck::kNotParameterFile: return &kMsgNotParameterFile;
            default: return &kMsgVersionMismatchFile;
            }
        },
        [record, written](IniText ini) {
            *written = ParameterValuesAsWritten(ini);
            return TakeParameters(ini, record);
        },
        Tr(kMsgMissingParameters),
        Tr(kMsgNoParameterRead));
}

int ParamsSend(const Options &o, const ParameterRecord &record)
{
    return SendParaRecord(record, o.memory == "eeprom") == 1 ? kExitOk : kExitLink;
}

int Live(const Options &o)
{
    std::string out = "CH0\tCH1\tTEMP\tREF\tSIG\tMAX\tMIN\tOUT\tIN\tANAOUT\n";
    for (int i = 0; i < o.count; ++i) {
        if (!Exchange(frame::kOrderDataFrame))
            return kExitLink; // nothing printed: the rows so far are not the series asked for
        const DataFrameRec f = DataFrameFromBytes(AppState.RxBuffer + frame::kHeaderSize);
        char row[160];
        std::snprintf(row, sizeof row, "%d\t%d\t%d\t%d\t%d\t%d\t%d\t%u\t%u\t%d\n", f.Ch0, f.Ch1,
                      f.Temp, f.Ref, f.Sig, f.Max, f.Min, unsigned(f.DigBits & 3u),
                      unsigned(f.DigState & 3u), f.AnaOut);
        out += row;
    }
    std::fputs(out.c_str(), stdout);
    return kExitOk;
}

int Offset(const Options &o, const std::string &what)
{
    OffsetValues v;
    if (what == "get") {
        if (ReadOffsets(&v) != 1)
            return kExitLink;
        std::printf("CH0\tCH1\tFACTOR\n%u\t%u\t%.1f\n", unsigned(v.ch0), unsigned(v.ch1),
                    SettingTimeFactorFromWire(v.factorWire));
        return kExitOk;
    }
    if (what == "calc") {
        if (CalculateOffsets(&v) != 1)
            return kExitLink;
        std::printf("CH0\tCH1\n%u\t%u\n", unsigned(v.ch0), unsigned(v.ch1));
        return kExitOk;
    }
    return WriteOffsets(uint16_t(o.ch0), uint16_t(o.ch1)) == 1 ? kExitOk : kExitLink;
}

bool IsParamsSend(const Options &o)
{
    return o.words.size() == 2 && o.words[0] == "params" && o.words[1] == "send";
}

// Runs the command; with checkOnly only checks its options (and reads its input file), without
// any exchange, and returns kExitOk when it can run.
int Run(const Options &o, const ParameterRecord &fileRecord, bool checkOnly)
{
    const std::vector<std::string> &w = o.words;
    if (w.empty())
        return Usage("no command");
    const std::string &cmd = w[0];
    const auto run = [checkOnly](const auto &command) { return checkOnly ? kExitOk : command(); };
    if (cmd == "identify" && w.size() == 1)
        return run([] { return Identify(); });
    if (cmd == "params" && w.size() == 2 && (w[1] == "get" || w[1] == "send")) {
        if (o.memory.empty() || o.file.empty())
            return Usage("params needs --memory and --file");
        return run([&] { return w[1] == "get" ? ParamsGet(o) : ParamsSend(o, fileRecord); });
    }
    if (cmd == "live" && w.size() == 1) {
        if (o.count < 1)
            return Usage("live needs --count");
        return run([&] { return Live(o); });
    }
    if (cmd == "offset" && w.size() == 2 && (w[1] == "get" || w[1] == "calc" || w[1] == "send")) {
        if (w[1] == "send" && (o.ch0 < 0 || o.ch1 < 0))
            return Usage("offset send needs --ch0 and --ch1");
        return run([&] { return Offset(o, w[1]); });
    }
    if (cmd == "record" && w.size() == 1)
        return Record(o, checkOnly);
    if (cmd == "scope" && w.size() == 1)
        return Scope(o, checkOnly);
    if (cmd == "convtable" && w.size() == 2 &&
        (w[1] == "get" || w[1] == "send" || w[1] == "send-data"))
        return ConvTable(o, w[1], checkOnly);
    if (cmd == "hwinfo" && w.size() == 1)
        return HwInfo(o, checkOnly);
    return Usage("unknown command");
}

} // namespace

const Msg kMsgFileNotWritten{"Datei konnte nicht geschrieben werden: ",
                             "File could not be written: "};
const Msg kMsgFileNotRead{"Datei konnte nicht gelesen werden: ", "File could not be read: "};

void Print(FILE *to, const std::string &text)
{
    std::fputs(text.c_str(), to);
    if (!text.empty() && text.back() != '\n')
        std::fputc('\n', to);
}

int Usage(const std::string &problem)
{
    if (!problem.empty())
        std::fprintf(stderr, "orvante2-cli: %s\n\n", problem.c_str());
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

std::string FirstLine(const std::string &text)
{
    return text.substr(0, text.find('\n'));
}

int ReadAppFile(const std::string &path, const std::function<const Msg *(IniText)> &refusedAs,
                const std::function<std::vector<std::string>(IniText)> &take,
                const std::string &unreadHeader, const std::string &refusal)
{
    IniText ini = Ini_New(0);
    if (!ini)
        return kExitFile;
    if (Ini_ReadFromFile(ini, path.c_str()) < 0) {
        Ini_Dispose(ini);
        Print(stderr, std::string(Tr(kMsgFileNotRead)) + path);
        return kExitFile;
    }
    int result = kExitOk;
    if (const Msg *question = refusedAs(ini)) {
        Print(stderr, FirstLine(Tr(*question)) + "\n" + refusal);
        result = kExitFile;
    } else if (const std::vector<std::string> unread = take(ini); !unread.empty()) {
        std::string text = unreadHeader;
        for (const std::string &name : unread)
            text += name + "\n";
        Print(stderr, text + refusal);
        result = kExitFile;
    }
    Ini_Dispose(ini);
    return result;
}

bool Exchange(uint8_t order, unsigned arg)
{
    AppState.OrderNumber = order;
    FillTxBuf(order, arg, 0);
    return DataExchange(frame::kHeaderSize) == 1;
}

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
    Options o;
    const std::string problem = ParseOptions(argc, argv, &o);
    if (!problem.empty())
        return Usage(problem);
    if (o.words.empty())
        return Usage("no command");

    // The parameter pages run unseen (ThroughThePages): the tool never shows a window. Qt's own
    // notes about its environment (no runtime directory, fonts) are not the tool's output:
    // standard error carries only what a script has to know.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "orvante2-cli: %s\n", text.toLocal8Bit().constData());
    });
    QApplication app(argc, argv);
    AppState.LanguageIndex = o.lang == "de" ? 0 : 1;
    SetLinkFailureSink(ReportLinkFailure);

    // Options and input files are checked before the link is opened: a usage or file error is
    // reported as such also when no sensor answers, and costs no exchange.
    ParameterRecord fileRecord;
    const int checked = Run(o, fileRecord, true);
    if (checked != kExitOk)
        return checked;
    if (IsParamsSend(o)) {
        WrittenValues written;
        const int read = ReadParameterFile(o.file, &fileRecord, &written);
        if (read != kExitOk)
            return read;
        // The app sends what its pages hold once the file is loaded into them. Values its
        // controls cannot take would be sent changed: a script hears of it, and only goes on
        // when it asked for that (--clamp).
        std::vector<ChangedWord> changed;
        if (!ThroughThePages(&fileRecord, &written, &changed))
            return kExitLink;
        if (!changed.empty()) {
            if (!o.clamp) {
                Print(stderr, ChangedWordsText(changed) + "\n" + Tr(kMsgNoParameterRead));
                return kExitFile;
            }
            Print(stderr, ChangedWordsText(changed));
        }
    }
    std::string linkProblem;
    if (!OpenLink(o, &linkProblem)) {
        if (!linkProblem.empty())
            return Usage(linkProblem);
        return kExitLink;
    }
    const int code = Run(o, fileRecord, false);
    CloseLink();
    std::fflush(stdout);
    return code;
}
