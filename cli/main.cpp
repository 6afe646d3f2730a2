// orvante2-cli: the sensor operations of the app for scripts and test stations, over TCP/IP or
// a serial device, without panels. It drives the same exchange and the same file writers as the
// app; link failures arrive through the exchange's failure sink and go to standard error in the
// chosen language.
#include "cli/cli.h"

#include "app/appstate.h"
#include "app/changes.h"
#include "app/messages.h"
#include "platform/files.h"
#include "platform/rs232.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "live/data_frame.h"
#include "params/compare.h"
#include "params/pagecheck.h"
#include "params/paramfile.h"
#include "params/record.h"
#include "params/transfer.h"
#include "service/service.h"
#include "support/ini.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <memory>
#include <cctype>
#include <set>
#include <functional>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool gJson = false;
bool gErrorPrinted = false;
bool gConnectionFailed = false; // the link could not be opened: error code "connection"
std::string gReports; // with --json: the messages for the error object

const char *const kUsage =
    "Usage: orvante2-cli LINK... [--lang de|en] [--json] COMMAND [OPTIONS]\n"
    "\n"
    "LINK (give several to run the command against every sensor at once):\n"
    "  --tcp HOST[:PORT]        TCP/IP (port 5000 when left out)\n"
    "  --serial PATH|COMn       serial device: any character device or a link to one, e.g.\n"
    "                           /dev/ttyUSB0, /dev/serial/by-id/..., /dev/pts/3, or COM33\n"
    "  --baud RATE              9600, 19200, 38400, 57600, 115200 (default), 230400, 460800\n"
    "                           or 921600\n"
    "\n"
    "COMMANDS:\n"
    "  identify                 firmware, sensor name and serial number\n"
    "  params get --memory ram|eeprom --file F\n"
    "                           sensor -> parameter file (with --json the file may be left\n"
    "                           out: the 26 words on standard output)\n"
    "  params send --memory ram|eeprom --file F [--verify] [--clamp]\n"
    "                           parameter file -> sensor; with --verify the memory written is\n"
    "                           read back and compared word by word. A value a control of\n"
    "                           the app cannot take refuses the file (exit 4) unless --clamp:\n"
    "                           then it is listed, changed as the app changes it, and sent\n"
    "  params diff A B          each of A and B ram, eeprom or a parameter file: one line per\n"
    "                           word that differs (NAME, value in A, value in B); exit 0 when\n"
    "                           equal, 1 when they differ. Reading eeprom loads it into RAM\n"
    "                           for a moment: RAM is written back afterwards\n"
    "  live --count N           N live data frames as TSV on standard output (TIME, the last\n"
    "                           column: ISO 8601 with milliseconds)\n"
    "  offset get               receiver offsets and setting-time factor as TSV\n"
    "  offset calc              the sensor measures the offsets (receivers covered) and\n"
    "                           shows them\n"
    "  offset send --ch0 N --ch1 N\n"
    "                           writes the receiver offsets\n"
    "  record --interval S --count N [--file F [--id TEXT]]\n"
    "                           N data frames, each request S seconds after the one before\n"
    "                           (S 0.25 ... 86400, or 0: back to back; N 1 ... 65535), into\n"
    "                           the record file F as the app writes it (TEXT: its\n"
    "                           identification line), or as TSV on standard output (DATE\n"
    "                           TIME CH0 CH1 TEMP SIG, TIME with milliseconds) at the end.\n"
    "                           F grows as F.partial and replaces F when complete; a\n"
    "                           recording broken off (link failure, SIGINT, SIGTERM) keeps\n"
    "                           F.partial with the frames received and leaves F as it was\n"
    "  scope [--trigger MODE] [--level L] [--pretrigger P] [--rate R] [--trigger-wait S]\n"
    "        [--save F] [--csv] [--png F] [--svg F]\n"
    "                           one capture, its four traces as TSV: SAMPLE CH0 CH1 SIG\n"
    "                           STATUS (bit 0 OUT0, bit 1 OUT1, bit 8 IN0, bit 9 IN1). MODE\n"
    "                           single, rising, falling, out0 or in0 (or 0 ... 4; default\n"
    "                           single), L 0 ... 4095 (2000), P 0 ... 127 (0), R 1 ... 32767\n"
    "                           (1); waits S seconds (default 30) for the trigger and the\n"
    "                           capture, then breaks it off. --save F also keeps it as the\n"
    "                           capture file F, with the cycle time and the sensor's\n"
    "                           identity, which the app's scope page loads; --csv prints\n"
    "                           CSV instead: TIME_MS CH0 CH1 SIG OUT0 OUT1 IN0 IN1.\n"
    "                           --png F and --svg F write the graph as the app's printed\n"
    "                           report draws it (traces, digital lines, cursors, legend;\n"
    "                           1600 x 900 pixels, white ground) as a PNG or SVG picture\n"
    "  scope --load F [--save F2] [--csv] [--png F3] [--svg F4]\n"
    "                           the capture file F instead of a capture: printed, saved or\n"
    "                           drawn as above. Needs no --tcp or device\n"
    "  convtable get --file F   the 64 points of the sensor's conversion table -> table file\n"
    "  convtable send --file F  the table file's 64 points -> the sensor's table in EEPROM\n"
    "  convtable send-data --file F\n"
    "                           the conversion data calculated from the table file's points\n"
    "                           -> sensor EEPROM (the curve the sensor converts with)\n"
    "  hwinfo --file F          hardware information file for support (firmware, hardware\n"
    "                           information, parameters in RAM, offsets)\n"
    "  log [--serial N]         the change log, newest first: every write to a sensor by the\n"
    "                           app and by this tool (parameters, conversion table and data,\n"
    "                           offsets, setting-time factor, baud rate); with --serial N only\n"
    "                           the sensor with serial number N. Needs no --tcp or device\n"
    "\n"
    "OPTIONS FOR EVERY COMMAND:\n"
    "  --timeout S              seconds to wait for each answer (0.05 ... 60, default 3)\n"
    "  --json                   JSON on standard output, one object per line; keys and values\n"
    "                           do not depend on --lang, only the texts under \"message\" do.\n"
    "                           A failure is {\"error\": CODE, \"message\": TEXT}, CODE one of\n"
    "                           usage, connection, link, version, file, interrupted\n"
    "  --lang de|en             language of the messages (default en)\n"
    "  --settings-dir DIR       the app's settings folder, where the change log lies (default:\n"
    "                           the app's own); every write to a sensor adds a record to it\n"
    "  --version                the program's version\n"
    "  --help                   this text\n"
    "\n"
    "SEVERAL SENSORS:\n"
    "  The command runs against each sensor in parallel; every output line begins with the\n"
    "  target (with --json each object carries it as \"target\"); a --file that is written\n"
    "  must hold {target}, which becomes the target's name (127.0.0.1_5000, ttyUSB0). The exit\n"
    "  status is the worst of all. Long commands (record, live) show their progress on\n"
    "  standard error when it is a terminal.\n"
    "\n"
    "EXIT CODES:\n"
    "  0  success\n"
    "  1  usage error; params diff: the sets differ\n"
    "  2  link or sensor failure (nothing was written; a record file is kept as F.partial)\n"
    "  3  firmware does not match this program's version (identify)\n"
    "  4  file error (unreadable, not a parameter, table or capture file, incomplete, not\n"
    "     writable, values the app's controls cannot take)\n"
    "  130, 143  ended by SIGINT or SIGTERM\n";

const Msg kMsgSerialNotFound{"Serielles Geraet nicht gefunden: ", "Serial device not found: "};
const Msg kMsgNotSerial{"Kein serielles Geraet: ", "Not a serial device: "};
const Msg kMsgVerifyFailed{
    "Pruefung fehlgeschlagen: der Sensor haelt andere Werte (Name, gesendet, gelesen):",
    "Verification failed: the sensor holds other values (name, sent, read back):"};
const Msg kMsgNoConnection{"Keine Verbindung zu ", "No connection to "};
const Msg kMsgRamNotRestored{"RAM konnte nicht zurueckgeschrieben werden!",
                             "RAM could not be written back!"};

void ReportLinkFailure(const char *message)
{
    Report(message);
}

std::string Joined(const std::vector<std::string> &words)
{
    std::string text;
    for (const std::string &w : words)
        text += (text.empty() ? "" : " ") + w;
    return text;
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

int BaudIndexOf(long baud)
{
    for (int i = 0; i < 8; ++i)
        if (BaudrateOfIndex(i) == baud)
            return i;
    return -1;
}

std::string BaudList()
{
    std::string list;
    for (int i = 0; i < 8; ++i)
        list += (i ? (i == 7 ? " or " : ", ") : "") + std::to_string(BaudrateOfIndex(i));
    return list;
}

bool ParseSeconds(const std::string &text, double lo, double hi, double *seconds)
{
    char *end = nullptr;
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    const double v = std::strtod(text.c_str(), &end);
    if (*end || !(v >= lo && v <= hi))
        return false;
    *seconds = v;
    return true;
}

// Empty on success, else what is wrong.
std::string ParseOptions(int argc, char **argv, Options *o)
{
    std::set<std::string> seen;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string *into) {
            if (i + 1 >= argc)
                return false;
            *into = argv[++i];
            return true;
        };
        // Only the links may be given more than once: a second value would silently win.
        if (a.rfind("--", 0) == 0 && a != "--tcp" && a != "--serial" && !seen.insert(a).second)
            return a + " given twice";
        std::string v;
        if (a == "--tcp" || a == "--serial") {
            if (!value(&v) || v.empty())
                return a == "--tcp" ? "--tcp needs HOST[:PORT]" : "--serial needs a device";
            for (const Link &l : o->links)
                if (l.address == v)
                    return v + " given twice";
            o->links.push_back({a == "--tcp", v});
        } else if (a == "--baud") {
            char *end = nullptr;
            if (!value(&v) || v.empty() ||
                (o->baud = std::strtol(v.c_str(), &end, 10), *end) || BaudIndexOf(o->baud) < 0)
                return "--baud is one of " + BaudList();
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
            if (!value(&v) || !ParseSeconds(v, 0.0, 1e6, &o->timeout) ||
                !SetAnswerTimeLimit(o->timeout))
                return "--timeout needs seconds from 0.05 to 60";
        } else if (a == "--clamp") {
            o->clamp = true;
        } else if (a == "--trigger-wait") {
            if (!value(&v) || !ParseSeconds(v, 0.05, 86400.0, &o->triggerWait))
                return "--trigger-wait needs seconds from 0.05 to 86400";
        } else if (a == "--json") {
            o->json = true;
        } else if (a == "--verify") {
            o->verify = true;
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
        } else if (a == "--settings-dir") {
            if (!value(&o->settingsDir) || o->settingsDir.empty())
                return "--settings-dir needs a folder";
        } else if (a == "--id") {
            if (!value(&o->id))
                return "--id needs a text";
        } else if (a == "--rate") {
            if (!value(&o->rate))
                return "--rate needs a value";
        } else if (a == "--save") {
            if (!value(&o->save) || o->save.empty())
                return "--save needs a path";
        } else if (a == "--csv") {
            o->csv = true;
        } else if (a == "--png" || a == "--svg" || a == "--load") {
            std::string *into = a == "--png" ? &o->png : a == "--svg" ? &o->svg : &o->load;
            if (!value(into) || into->empty())
                return a + " needs a path";
        } else if (a.rfind("--", 0) == 0) {
            return "unknown option " + a;
        } else {
            o->words.push_back(a);
        }
    }
    if (!o->words.empty() && o->words[0] == "log") {
        // `log` reads the change log and talks to no sensor: its --serial is a serial number.
        for (const Link &l : o->links) {
            if (l.tcp)
                return "log takes no --tcp";
            if (!o->logSerial.empty())
                return "--serial given twice";
            if (l.address.find_first_not_of("0123456789") != std::string::npos)
                return "log --serial needs a serial number";
            o->logSerial = l.address;
        }
        o->links.clear();
        return {};
    }
    if (!o->load.empty()) {
        // A capture file stands in for the sensor: no link is opened.
        o->links.clear();
        return {};
    }
    if (o->links.empty())
        return "give --tcp or --serial";
    if (o->links.size() == 1)
        (o->links[0].tcp ? o->tcp : o->serial) = o->links[0].address;
    return {};
}

// Resolves --serial to a COM number: COMn as it stands; a device path (or a link to one, as
// /dev/serial/by-id/... are) by the device it leads to, bound to a spare number when it lies
// outside the numbered ranges. 0 after the failure has been reported (kExitLink or kExitUsage
// in *code).
int SerialPortOf(const std::string &serial, int *code)
{
    const bool comName = serial.size() > 3 &&
                         (serial.rfind("COM", 0) == 0 || serial.rfind("com", 0) == 0) &&
                         serial.find_first_not_of("0123456789", 3) == std::string::npos;
    if (comName) {
        const int com = std::atoi(serial.c_str() + 3);
        if (com <= 0 || com > kMaxComPort || ComPortDevice(com).empty()) {
            *code = kExitUsage;
            Usage(serial + " is no serial port (COM1 ... COM96, COM100 ... COM255)");
            return 0;
        }
        return com;
    }
    switch (KindOfPath(serial)) {
    case PathKind::kCharacterDevice: break;
    case PathKind::kMissing:
        gConnectionFailed = true;
        Report(std::string(Tr(kMsgSerialNotFound)) + serial);
        *code = kExitLink;
        return 0;
    default:
        Report(std::string(Tr(kMsgNotSerial)) + serial);
        *code = kExitLink;
        return 0;
    }
    const std::string device = QFileInfo(QString::fromStdString(serial))
                                   .canonicalFilePath()
                                   .toStdString();
    if (const int com = ComPortFromDevice(device); com > 0)
        return com;
    constexpr int kSpareCom = 99; // between the USB-ACM and the pseudo-terminal ranges
    BindComPort(kSpareCom, device);
    return kSpareCom;
}

// Opens the link; false after the failure has been reported (*code: its exit status).
bool OpenLink(const Options &o, int *code)
{
    *code = kExitLink;
    if (!o.tcp.empty()) {
        std::string host = o.tcp;
        unsigned port = 5000;
        const size_t colon = host.rfind(':');
        if (colon != std::string::npos) {
            port = PortNumberOf(host.c_str() + colon + 1);
            host.resize(colon);
            if (port == 0 || port > 65535) {
                *code = Usage("bad port in --tcp " + o.tcp);
                return false;
            }
        }
        AppState.ComProtocol = 1;
        CopyField(AppState.ServerAddress, host.c_str());
        AppState.PortNumber = port;
        InitTCP_IP();
        if (AppState.OpenResult >= 0)
            return true;
        // What failed is the connection, not an answer: name the address it was made to.
        Report(std::string(Tr(kMsgNoConnection)) + host + ":" + std::to_string(port));
        gConnectionFailed = true;
        return false;
    }
    const int com = SerialPortOf(o.serial, code);
    if (com == 0)
        return false;
    AppState.ComProtocol = 0;
    AppState.ComPort = uint16_t(com);
    AppState.BaudrateIndex = uint16_t(BaudIndexOf(o.baud));
    InitRS232();
    if (AppState.OpenResult >= 0)
        return true;
    Report(std::string(Tr(kMsgNoConnection)) + o.serial);
    gConnectionFailed = true;
    return false;
}

QJsonObject WordsObject(const ParameterRecord &record)
{
    QJsonObject words;
    for (const ParameterKey &k : kParameterKeys)
        words.insert(k.key, int(record.*k.field));
    return words;
}

int Identify()
{
    if (!Exchange(frame::kOrderFirmwareId))
        return kExitLink;
    char id[73] = {};
    std::memcpy(id, AppState.RxBuffer + frame::kHeaderSize, 72);
    const FirmwareParts parts = SplitFirmwareId(id);
    if (parts.version() != kFirmwareVersion) {
        const std::string message = std::string(Tr(kMsgVersionMismatch)) + parts.version();
        if (JsonOutput()) {
            EmitJson({{"error", ErrorCodeName(kExitVersion)},
                      {"message", QString::fromStdString(message)},
                      {"firmware", QString::fromStdString(parts.versionLine())},
                      {"firmware_id", QString::fromLatin1(id).trimmed()},
                      {"version", QString::fromStdString(parts.version())},
                      {"version_matches", false}});
            ErrorObjectPrinted();
        } else {
            Report(message);
        }
        return kExitVersion;
    }
    if (!Exchange(frame::kOrderNameSerial))
        return kExitLink;
    char name[256] = {};
    const int length = std::min<int>(AppState.RxHeader.length, int(sizeof name) - 1);
    std::memcpy(name, AppState.RxBuffer + frame::kHeaderSize, size_t(length));
    if (JsonOutput()) {
        EmitJson({{"firmware", QString::fromStdString(parts.versionLine())},
                  {"firmware_id", QString::fromLatin1(id).trimmed()},
                  {"version", QString::fromStdString(parts.version())},
                  {"version_matches", true},
                  {"sensor_name", QString::fromLatin1(name)},
                  {"serial_number", int(AppState.RxHeader.arg)}});
        return kExitOk;
    }
    std::printf("Firmware: %s\n%s%s\n%s%u\n", parts.versionLine().c_str(), Tr(kMsgSensor), name,
                Tr(kMsgSerial), unsigned(AppState.RxHeader.arg));
    return kExitOk;
}

// Reads the set in the sensor's RAM or (loading it into RAM first, as the app's GET does) its
// EEPROM. A failed EEPROM plausibility check is a failure: the sensor's defaults are not the
// set asked for.
int ReadSensorSet(bool eeprom, ParameterRecord *record)
{
    bool plausibilityFailed = false;
    const auto report = [&](const std::string &text) {
        Report(text);
        plausibilityFailed = true;
    };
    if (GetParaRecord(eeprom, record, report) != 1 || plausibilityFailed)
        return kExitLink;
    return kExitOk;
}

int ParamsGet(const Options &o)
{
    ParameterRecord record;
    if (const int read = ReadSensorSet(o.memory == "eeprom", &record); read != kExitOk)
        return read;
    if (!ThroughThePages(&record))
        return kExitLink;
    if (!o.file.empty() && WriteParameterFile(record, o.file.c_str()) < 0) {
        Report(std::string(Tr(kMsgFileNotWritten)) + o.file);
        return kExitFile;
    }
    if (JsonOutput()) {
        QJsonObject out{{"memory", QString::fromStdString(o.memory)},
                        {"parameters", WordsObject(record)}};
        if (!o.file.empty())
            out.insert("file", QString::fromStdString(o.file));
        EmitJson(out);
    }
    return kExitOk;
}

// Reads a complete parameter file; the exit code of the failure, or kExitOk. The app asks
// whether to go on with a file of another type or version, and sends defaults for missing keys;
// a script cannot answer, so such a file is refused with the first line of that question (or the
// list of missing keys) and the app's refusal.
// `written` (may be null) gets the file's values as they stand in it, before any page limits them.
int ReadParameterFile(const std::string &path, ParameterRecord *record,
                      WrittenValues *written = nullptr)
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
            if (written)
                *written = ParameterValuesAsWritten(ini);
            return TakeParameters(ini, record);
        },
        Tr(kMsgMissingParameters),
        Tr(kMsgNoParameterRead));
}

std::string DifferenceLines(const std::vector<WordDifference> &differences)
{
    std::string text;
    for (const WordDifference &d : differences)
        text += std::string(d.name) + "\t" + std::to_string(d.first) + "\t" +
                std::to_string(d.second) + "\n";
    return text;
}

QJsonArray DifferenceArray(const std::vector<WordDifference> &differences, const char *first,
                           const char *second)
{
    QJsonArray list;
    for (const WordDifference &d : differences)
        list.append(QJsonObject{{"name", d.name}, {first, int(d.first)}, {second, int(d.second)}});
    return list;
}

int ParamsSend(const Options &o, const ParameterRecord &record)
{
    const bool eeprom = o.memory == "eeprom";
    // What RAM holds before: the change log records the words this send changes.
    BeforeSensorWrite();
    ParameterRecord before;
    if (GetParaRecord(false, &before, {}) != 1)
        return kExitLink;
    if (SendParaRecord(record, eeprom) != 1)
        return kExitLink;
    if (o.verify) {
        ParameterRecord back;
        if (const int read = ReadSensorSet(eeprom, &back); read != kExitOk)
            return read;
        const std::vector<WordDifference> differences = CompareParameters(record, back);
        if (!differences.empty()) {
            if (JsonOutput()) {
                EmitJson({{"error", ErrorCodeName(kExitLink)},
                          {"message", Tr(kMsgVerifyFailed)},
                          {"differences", DifferenceArray(differences, "sent", "read")}});
                ErrorObjectPrinted();
            } else {
                Report(std::string(Tr(kMsgVerifyFailed)) + "\n" + DifferenceLines(differences));
            }
            return kExitLink;
        }
    }
    if (JsonOutput())
        EmitJson({{"memory", QString::fromStdString(o.memory)},
                  {"file", QString::fromStdString(o.file)},
                  {"sent", true},
                  {"verified", o.verify}});
    return kExitOk;
}

// params diff: the two sides, each ram, eeprom or a parameter file.
struct DiffSide {
    std::string name;
    ParameterRecord record;
    bool sensor() const { return name == "ram" || name == "eeprom"; }
};

int ReadDiffFiles(DiffSide *sides)
{
    for (int i = 0; i < 2; ++i)
        if (!sides[i].sensor())
            if (const int read = ReadParameterFile(sides[i].name, &sides[i].record);
                read != kExitOk)
                return read;
    return kExitOk;
}

int ParamsDiff(DiffSide *sides)
{
    bool ram = false, eeprom = false;
    for (int i = 0; i < 2; ++i) {
        ram = ram || sides[i].name == "ram";
        eeprom = eeprom || sides[i].name == "eeprom";
    }
    // RAM first: the EEPROM is read by loading it into RAM, so what RAM held is written back
    // afterwards (also when that read failed: a failed check leaves the defaults in RAM).
    ParameterRecord inRam, inEeprom;
    if (ram || eeprom)
        if (const int read = ReadSensorSet(false, &inRam); read != kExitOk)
            return read;
    if (eeprom) {
        const int read = ReadSensorSet(true, &inEeprom);
        if (SendParaRecord(inRam, false) != 1) {
            Report(Tr(kMsgRamNotRestored));
            return kExitLink;
        }
        if (read != kExitOk)
            return read;
    }
    for (int i = 0; i < 2; ++i)
        if (sides[i].sensor())
            sides[i].record = sides[i].name == "ram" ? inRam : inEeprom;
    const std::vector<WordDifference> differences =
        CompareParameters(sides[0].record, sides[1].record);
    if (JsonOutput()) {
        EmitJson({{"a", QString::fromStdString(sides[0].name)},
                  {"b", QString::fromStdString(sides[1].name)},
                  {"equal", differences.empty()},
                  {"differences", DifferenceArray(differences, "a", "b")}});
        if (!differences.empty())
            ErrorObjectPrinted(); // exit 1 here says "they differ", no failure
    } else if (!differences.empty()) {
        std::printf("NAME\t%s\t%s\n%s", sides[0].name.c_str(), sides[1].name.c_str(),
                    DifferenceLines(differences).c_str());
    }
    return differences.empty() ? kExitOk : kExitDiffer;
}

int Live(const Options &o)
{
    // TIME last, so that the columns before it stay where they were.
    std::string out = "CH0\tCH1\tTEMP\tREF\tSIG\tMAX\tMIN\tOUT\tIN\tANAOUT\tTIME\n";
    std::vector<QJsonObject> objects;
    for (int i = 0; i < o.count; ++i) {
        Progress("live", i, o.count);
        if (!Exchange(frame::kOrderDataFrame))
            return kExitLink; // nothing printed: the rows so far are not the series asked for
        const DataFrameRec f = DataFrameFromBytes(AppState.RxBuffer + frame::kHeaderSize);
        if (JsonOutput()) {
            objects.push_back(QJsonObject{{"time", QString::fromStdString(IsoTimeNow())},
                                          {"ch0", f.Ch0},
                                          {"ch1", f.Ch1},
                                          {"temp", f.Temp},
                                          {"ref", f.Ref},
                                          {"sig", f.Sig},
                                          {"max", f.Max},
                                          {"min", f.Min},
                                          {"out", int(f.DigBits & 3u)},
                                          {"in", int(f.DigState & 3u)},
                                          {"anaout", f.AnaOut}});
            continue;
        }
        char row[160];
        std::snprintf(row, sizeof row, "%d\t%d\t%d\t%d\t%d\t%d\t%d\t%u\t%u\t%d\t%s\n", f.Ch0,
                      f.Ch1, f.Temp, f.Ref, f.Sig, f.Max, f.Min, unsigned(f.DigBits & 3u),
                      unsigned(f.DigState & 3u), f.AnaOut, IsoTimeNow().c_str());
        out += row;
    }
    Progress("live", 0, 0);
    if (JsonOutput())
        for (const QJsonObject &object : objects)
            EmitJson(object);
    else
        std::fputs(out.c_str(), stdout);
    return kExitOk;
}

int Offset(const Options &o, const std::string &what)
{
    OffsetValues v;
    if (what == "get") {
        if (ReadOffsets(&v) != 1)
            return kExitLink;
        const double factor = SettingTimeFactorFromWire(v.factorWire);
        if (JsonOutput())
            EmitJson({{"ch0", int(v.ch0)}, {"ch1", int(v.ch1)}, {"factor", factor}});
        else
            std::printf("CH0\tCH1\tFACTOR\n%u\t%u\t%.1f\n", unsigned(v.ch0), unsigned(v.ch1),
                        factor);
        return kExitOk;
    }
    if (what == "calc") {
        if (CalculateOffsets(&v) != 1)
            return kExitLink;
        if (JsonOutput())
            EmitJson({{"ch0", int(v.ch0)}, {"ch1", int(v.ch1)}});
        else
            std::printf("CH0\tCH1\n%u\t%u\n", unsigned(v.ch0), unsigned(v.ch1));
        return kExitOk;
    }
    if (WriteOffsets(uint16_t(o.ch0), uint16_t(o.ch1)) != 1)
        return kExitLink;
    if (JsonOutput())
        EmitJson({{"ch0", o.ch0}, {"ch1", o.ch1}, {"sent", true}});
    return kExitOk;
}

bool IsParamsSend(const Options &o)
{
    return o.words.size() == 2 && o.words[0] == "params" && o.words[1] == "send";
}

bool IsParamsDiff(const Options &o)
{
    return o.words.size() == 4 && o.words[0] == "params" && o.words[1] == "diff";
}

// Whether the command runs the parameter pages (ThroughThePages).
bool NeedsThePages(const Options &o)
{
    const std::vector<std::string> &w = o.words;
    return (w.size() == 2 && w[0] == "params" && (w[1] == "get" || w[1] == "send") &&
            !(w[1] == "get" && o.links.size() > 1)) ||
           (!w.empty() && w[0] == "hwinfo" && o.links.size() == 1);
}

// Whether the command writes --file (which then must name each target apart).
bool WritesFile(const Options &o)
{
    const std::vector<std::string> &w = o.words;
    if (w.empty() || o.file.empty())
        return false;
    return w[0] == "record" || w[0] == "hwinfo" ||
           (w.size() == 2 && w[1] == "get" && (w[0] == "params" || w[0] == "convtable"));
}

// Runs the command; with checkOnly only checks its options (and reads its input file), without
// any exchange, and returns kExitOk when it can run.
int Run(const Options &o, const ParameterRecord &fileRecord, DiffSide *diff, bool checkOnly)
{
    const std::vector<std::string> &w = o.words;
    if (w.empty())
        return Usage("no command");
    const std::string &cmd = w[0];
    const auto run = [checkOnly](const auto &command) { return checkOnly ? kExitOk : command(); };
    if (o.verify && !(cmd == "params" && w.size() == 2 && w[1] == "send"))
        return Usage("--verify belongs to params send");
    if ((!o.load.empty() || !o.png.empty() || !o.svg.empty()) && cmd != "scope")
        return Usage("--load, --png and --svg belong to scope");
    if (cmd == "identify" && w.size() == 1)
        return run([] { return Identify(); });
    if (cmd == "params" && w.size() == 2 && (w[1] == "get" || w[1] == "send")) {
        if (o.memory.empty() || (o.file.empty() && !(w[1] == "get" && o.json)))
            return Usage("params " + w[1] + " needs --memory and --file");
        return run([&] { return w[1] == "get" ? ParamsGet(o) : ParamsSend(o, fileRecord); });
    }
    if (cmd == "params" && w.size() >= 2 && w[1] == "diff") {
        if (w.size() != 4)
            return Usage("params diff needs two of ram, eeprom or a parameter file");
        if (!o.memory.empty() || !o.file.empty())
            return Usage("params diff takes its two sides as operands, not --memory or --file");
        return run([&] { return ParamsDiff(diff); });
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
    if (cmd == "log" && w.size() == 1)
        return run([&] { return ShowChangeLog(o); });
    return Usage("unknown command " + Joined(w));
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

void Report(const std::string &text)
{
    if (!gJson) {
        Print(stderr, text);
        return;
    }
    if (!gReports.empty() && gReports.back() != '\n')
        gReports += '\n';
    gReports += text;
}

void EmitJson(const QJsonObject &object)
{
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

void EmitError(int code, const QJsonObject &extra)
{
    std::string message = gReports;
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    QJsonObject object = extra;
    object.insert("error", gConnectionFailed ? "connection" : ErrorCodeName(code));
    object.insert("message", QString::fromStdString(message));
    EmitJson(object);
    gErrorPrinted = true;
}

void ErrorObjectPrinted()
{
    gErrorPrinted = true;
}

bool JsonOutput()
{
    return gJson;
}

const char *ErrorCodeName(int exitCode)
{
    switch (exitCode) {
    case kExitUsage: return "usage";
    case kExitLink: return "link";
    case kExitVersion: return "version";
    case kExitFile: return "file";
    case kExitInterrupted:
    case kExitTerminated: return "interrupted";
    default: return "failure";
    }
}

std::string IsoTimeNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODateWithMs).toStdString();
}

void Progress(const char *what, int done, int total)
{
    static const bool terminal = StandardErrorIsTerminal();
    if (!terminal)
        return;
    if (total == 0)
        std::fputs("\r\033[K", stderr);
    else
        std::fprintf(stderr, "\r%s: %d/%d", what, done, total);
    std::fflush(stderr);
}

int Usage(const std::string &problem)
{
    if (gJson)
        Report(problem);
    else
        std::fprintf(stderr, "orvante2-cli: %s\nSee 'orvante2-cli --help'.\n", problem.c_str());
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
        Report(std::string(Tr(kMsgFileNotRead)) + path);
        return kExitFile;
    }
    int result = kExitOk;
    if (const Msg *question = refusedAs(ini)) {
        Report(FirstLine(Tr(*question)) + "\n" + refusal);
        result = kExitFile;
    } else if (const std::vector<std::string> unread = take(ini); !unread.empty()) {
        std::string text = unreadHeader;
        for (const std::string &name : unread)
            text += name + "\n";
        Report(text + refusal);
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

namespace {

// The end of every run: with --json a failure that printed no object of its own gets
// {"error": CODE, "message": TEXT}.
int Finish(int code)
{
    if (gJson && code != kExitOk && !gErrorPrinted)
        EmitError(code);
    std::fflush(stdout);
    return code;
}

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("orvante2-cli %s\n", ORVANTE2_VERSION);
            return kExitOk;
        }
        if (!std::strcmp(argv[i], "--json"))
            gJson = true; // a usage error is reported as JSON too
    }
    Options o;
    const std::string problem = ParseOptions(argc, argv, &o);
    if (!problem.empty())
        return Finish(Usage(problem));
    if (o.words.empty())
        return Finish(Usage("no command"));
    if (o.links.size() > 1 && WritesFile(o) && o.file.find("{target}") == std::string::npos)
        return Finish(Usage("with several sensors --file must hold {target}"));
    const struct {
        const char *name;
        const std::string &path;
    } scopeFiles[] = {{"--save", o.save}, {"--png", o.png}, {"--svg", o.svg}};
    for (const auto &f : scopeFiles)
        if (o.links.size() > 1 && !f.path.empty() && f.path.find("{target}") == std::string::npos)
            return Finish(
                Usage(std::string("with several sensors ") + f.name + " must hold {target}"));

    // The parameter pages run unseen (ThroughThePages): the tool never shows a window. Qt's own
    // notes about its environment (no runtime directory, fonts) are not the tool's output:
    // standard error carries only what a script has to know.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "orvante2-cli: %s\n", text.toLocal8Bit().constData());
    });
    // Only the parameter pages need a GUI application; without it the tool starts sooner, which
    // counts when it runs once per sensor of a line.
    // Pictures need fonts, which come with a GUI application (on the offscreen platform too).
    std::unique_ptr<QCoreApplication> app;
    if (NeedsThePages(o))
        app = std::make_unique<QApplication>(argc, argv);
    else if (!o.png.empty() || !o.svg.empty())
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    AppState.LanguageIndex = o.lang == "de" ? 0 : 1;
    SetLinkFailureSink(ReportLinkFailure);
    UseChangeLog(o);
    if (o.words[0] == "log" || !o.load.empty())
        return Finish(Run(o, ParameterRecord{}, nullptr, false));

    // Options and input files are checked before the link is opened: a usage or file error is
    // reported as such also when no sensor answers, and costs no exchange.
    ParameterRecord fileRecord;
    DiffSide diff[2];
    if (IsParamsDiff(o)) {
        diff[0].name = o.words[2];
        diff[1].name = o.words[3];
    }
    const int checked = Run(o, fileRecord, diff, true);
    if (checked != kExitOk)
        return Finish(checked);
    if (IsParamsSend(o)) {
        WrittenValues written;
        const int read = ReadParameterFile(o.file, &fileRecord, &written);
        if (read != kExitOk)
            return Finish(read);
        // The app sends what its pages hold once the file is loaded into them. Values its
        // controls cannot take would be sent changed: a script hears of it, and only goes on
        // when it asked for that (--clamp).
        std::vector<ChangedWord> changed;
        if (!ThroughThePages(&fileRecord, &written, &changed))
            return Finish(kExitLink);
        if (!changed.empty()) {
            if (!o.clamp) {
                Print(stderr, ChangedWordsText(changed) + "\n" + Tr(kMsgNoParameterRead));
                return Finish(kExitFile);
            }
            Print(stderr, ChangedWordsText(changed));
        }
    }
    if (IsParamsDiff(o)) {
        if (const int read = ReadDiffFiles(diff); read != kExitOk)
            return Finish(read);
    }
    if (o.links.size() > 1)
        return RunForEveryLink(o, argc, argv);
    // Two files are compared without a sensor.
    if (IsParamsDiff(o) && !diff[0].sensor() && !diff[1].sensor())
        return Finish(Run(o, fileRecord, diff, false));
    int failed = kExitLink;
    if (!OpenLink(o, &failed))
        return Finish(failed);
    const int code = Run(o, fileRecord, diff, false);
    CloseLink();
    return Finish(code);
}
