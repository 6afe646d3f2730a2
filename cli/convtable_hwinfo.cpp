// convtable and hwinfo: the conversion table page's transfers and the connect page's hardware
// information file, through the same loaders, writers and exchanges as the app.
//
// convtable get        order 103 (read) -> the table file the app's "Save to file" writes
// convtable send       table file -> order 103 (write), as the app's "Save to EEPROM"
// convtable send-data  table file -> conversion data calculated as the app's "Calculate" does,
//                      scaled and written in four blocks (orders 180, 182), as "Save conversion
//                      data to EEPROM"
// hwinfo               orders 7, 2 (RAM), 100 and 194 -> the hardware information file
#include "cli/cli.h"

#include "app/appstate.h"
#include "convtable/convcalc.h"
#include "convtable/convtable.h"
#include "link/frame.h"
#include "params/record.h"
#include "params/transfer.h"
#include "service/service.h"
#include "support/ini.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A success: its message on standard output, or with --json in an object with `fields`.
void Done(const std::string &message, QJsonObject fields)
{
    if (!JsonOutput()) {
        Print(stdout, message);
        return;
    }
    fields.insert("message", QString::fromStdString(message));
    EmitJson(fields);
}

// Reads a complete table file: the exit code of the failure (reported), or kExitOk. The app
// asks whether to go on with a file of another type or version and puts defaults in place of
// rows it cannot read; a script cannot answer and must not send defaults it never saw, so such
// a file is refused with the app's texts.
int ReadTableFile(const std::string &path, ConvRows *rows)
{
    return ReadAppFile(
        path,
        [](IniText ini) -> const Msg * {
            switch (CheckConvTableFile(ini)) {
            case ConvTableFileCheck::kGood: return nullptr;
            case ConvTableFileCheck::kNotTableFile: return &kMsgConvNotTableFile;
            default: return &kMsgConvVersionMismatch;
            }
        },
        [rows](IniText ini) { return TakeConvRows(ini, rows); },
        std::string(Tr(kMsgConvReportHeader)) + "\n\n", Tr(kMsgConvNoValues));
}

int Get(const Options &o)
{
    ConvRows rows{};
    if (ReadConvRowsFromEE(&rows) != 1)
        return kExitLink;
    if (WriteConvTableFile(rows, o.file.c_str()) < 0) {
        Report(std::string(Tr(kMsgFileNotWritten)) + o.file);
        return kExitFile;
    }
    if (JsonOutput())
        EmitJson({{"file", QString::fromStdString(o.file)}, {"points", kConvTableRows}});
    return kExitOk;
}

int Send(const ConvRows &rows)
{
    // The app sends the table as it stands, points checked or not; so does the tool.
    if (WriteConvRowsToEE(rows) != 1) {
        Report(Tr(kMsgConvTableNotSaved));
        return kExitLink;
    }
    Done(Tr(kMsgConvTableSaved), {});
    return kExitOk;
}

// The calculation of the app's "Calculate", from a fresh start: points collected, then the
// lines between them. A table the app would refuse to save costs no exchange.
int SendData(const ConvRows &rows)
{
    std::vector<double> x(kConvDataSize), y(kConvDataSize), data(kConvDataSize, 0.0);
    const int errorRow = CollectConvPoints(rows, x.data(), y.data());
    if (errorRow > 0) {
        Report(std::string(Tr(kMsgConvBothCells)) + "\nROW " + std::to_string(errorRow) +
                          "\n" + Tr(kMsgConvCannotSave));
        return kExitFile;
    }
    InterpolateConvData(x.data(), y.data(), data.data());
    int16_t entries[kConvSentEntries];
    if (!ScaleConvData(data.data(), entries)) {
        Report(Tr(kMsgConvCannotSave));
        return kExitFile;
    }
    if (WriteConvDataToEE(data.data()) != 1) {
        Report(Tr(kMsgConvDataNotSaved));
        return kExitLink;
    }
    Done(Tr(kMsgConvDataSaved), {});
    return kExitOk;
}

} // namespace

int ConvTable(const Options &o, const std::string &what, bool checkOnly)
{
    if (o.file.empty())
        return Usage("convtable " + what + " needs --file");
    if (what == "get")
        return checkOnly ? kExitOk : Get(o);
    ConvRows rows{};
    const int read = ReadTableFile(o.file, &rows);
    if (read != kExitOk || checkOnly)
        return read;
    return what == "send" ? Send(rows) : SendData(rows);
}

int HwInfo(const Options &o, bool checkOnly)
{
    if (o.file.empty())
        return Usage("hwinfo needs --file");
    if (checkOnly)
        return kExitOk;
    // The app has the identification from connecting; the tool asks for it first.
    HardwareInfoFile file;
    if (!Exchange(frame::kOrderFirmwareId))
        return kExitLink;
    char id[73] = {};
    std::memcpy(id, AppState.RxBuffer + frame::kHeaderSize,
                size_t(std::clamp<int>(AppState.RxHeader.length, 0, 72)));
    file.firmwareId = id;
    // The parameter set from RAM, as the app reads it for the file.
    if (GetParaRecord(false, &file.parameters, nullptr) != 1 ||
        !ThroughThePages(&file.parameters))
        return kExitLink;
    OffsetValues offsets;
    if (ReadOffsets(&offsets) != 1)
        return kExitLink;
    file.offsetCh0 = offsets.ch0;
    file.offsetCh1 = offsets.ch1;
    if (ReadHardwareInfo(&file.data) != 1)
        return kExitLink;
    if (WriteHardwareInfoFile(file, o.file.c_str()) < 0) {
        Report(std::string(Tr(kMsgHwFileNotSaved)) + "\n" + o.file);
        return kExitFile;
    }
    Done(std::string(Tr(kMsgHwFileSaved)) + "\n" + o.file,
         {{"file", QString::fromStdString(o.file)}});
    return kExitOk;
}
