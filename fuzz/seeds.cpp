// Writes the seed corpus of the fuzz targets into DIR/<target>/: the simulator's real answers to
// the program's requests (with the fuzz_exchange control bytes in front), and the files that the
// program itself writes (parameter, conversion table, panel settings) plus the language files.
// Usage: fuzz_seeds DIR LANGDIR
#include "fuzz/fuzz_app.h"

#include "app/settings.h"
#include "convtable/convtable.h"
#include "link/frame.h"
#include "params/paramfile.h"
#include "scope/capture.h"
#include "sim/sensor_model.h"

#include <QDir>
#include <QFile>

#include <fstream>

namespace {

void Put(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), long(bytes.size()));
}

std::vector<uint8_t> Slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The simulator's whole answer to one request.
std::vector<uint8_t> Answer(sim::SensorModel &model, uint8_t order, uint16_t arg,
                            const std::vector<uint8_t> &payload = {})
{
    frame::Header h{order, arg, uint16_t(payload.size()),
                    frame::crc8Update(payload.data(), 0, int(payload.size()))};
    const sim::Response r = model.Handle(h, payload.data(), 1.0);
    std::vector<uint8_t> bytes;
    for (const sim::Reply &reply : r.replies)
        bytes.insert(bytes.end(), reply.bytes.begin(), reply.bytes.end());
    return bytes;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    const std::string out = argv[1], langDir = argv[2];
    fuzzapp::Start();
    for (const char *t : {"fuzz_exchange", "fuzz_ini", "fuzz_language", "fuzz_loaders"})
        QDir().mkpath(QString::fromStdString(out + "/" + t));

    // Exchange: piece size, mode byte, pre-trigger, then the sensor's bytes.
    sim::SensorModel model;
    const std::vector<uint8_t> record = Answer(model, frame::kOrderReadRam, 0);
    std::vector<std::vector<uint8_t>> answers = {
        record,
        Answer(model, frame::kOrderFirmwareId, 0),
        Answer(model, frame::kOrderNameSerial, 0),
        Answer(model, frame::kOrderDataFrame, 0),
        Answer(model, frame::kOrderOffset, 0),
        Answer(model, frame::kOrderConvTable, 1),
        Answer(model, frame::kOrderCycleTime, 0),
        Answer(model, frame::kOrderHardwareInfo, 0x3C5A),
        frame::Build(frame::kOrderErrorReply, 1),
        frame::Build(frame::kOrderErrorReply, 2),
        frame::Build(frame::kOrderErrorReply, 5),
    };
    std::vector<uint8_t> scope = frame::Build(frame::kOrderScope, 0);
    for (int i = 0; i < kScopeBlockCount; ++i) {
        std::vector<uint8_t> block(kScopeBlockBytes);
        for (size_t k = 0; k < block.size(); ++k)
            block[k] = uint8_t(k * 7 + i);
        const std::vector<uint8_t> f = frame::Build(frame::kOrderScope, uint16_t(i), block);
        scope.insert(scope.end(), f.begin(), f.end());
    }
    answers.push_back(scope);
    int n = 0;
    for (const auto &a : answers) {
        for (uint8_t piece : {uint8_t(255), uint8_t(0), uint8_t(6)}) {
            std::vector<uint8_t> seed = {piece, uint8_t(n % 2 | (n % 5) << 1), uint8_t(n * 3)};
            seed.insert(seed.end(), a.begin(), a.end());
            if (n % 2) // a second frame that follows without a request
                seed.insert(seed.end(), answers[3].begin(), answers[3].end());
            Put(out + "/fuzz_exchange/seed" + std::to_string(n++), seed);
        }
    }

    // Files as the program writes them.
    const std::string work = fuzzapp::WorkDir();
    fuzzapp::DialogPath() = work + "/parameter.ini";
    SendParaToFile();
    fuzzapp::DialogPath() = work + "/table.ini";
    SaveConvTableToFile();
    LoadPanelSettings(); // sets where the settings file lives
    StorePanelSettings();
    const std::vector<uint8_t> params = Slurp(work + "/parameter.ini");
    const std::vector<uint8_t> table = Slurp(work + "/table.ini");
    const std::vector<uint8_t> settings = Slurp(SettingsFilePath(work));
    auto withSelector = [](uint8_t which, std::vector<uint8_t> bytes) {
        bytes.insert(bytes.begin(), which);
        return bytes;
    };
    Put(out + "/fuzz_loaders/parameter", withSelector(0, params));
    Put(out + "/fuzz_loaders/table", withSelector(1, table));
    Put(out + "/fuzz_loaders/settings", withSelector(2, settings));
    Put(out + "/fuzz_ini/parameter.ini", params);
    Put(out + "/fuzz_ini/table.ini", table);
    Put(out + "/fuzz_ini/settings.cfg", settings);
    for (const char *lang : {"language_eng.lwl", "language_ger.lwl"}) {
        // The language seeds: the real files, cut to their first panels to keep runs quick.
        std::vector<uint8_t> bytes = Slurp(langDir + "/" + lang);
        Put(out + "/fuzz_language/" + lang, bytes);
        if (bytes.size() > 6000)
            bytes.resize(6000);
        Put(out + "/fuzz_ini/" + lang, bytes);
    }
    std::printf("seeds written to %s\n", out.c_str());
    return 0;
}
