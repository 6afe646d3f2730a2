// The record file reader: any bytes, whole and cut into two pieces at a point the input chooses
// (its first two bytes). Both must give the same result and the same lines, every line read must
// print back as the recorder writes it, and no more than one line may ever be held.
#include "recorder/record_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t cut = (size_t(data[0]) << 8 | data[1]) % (size - 1);
    const char *bytes = reinterpret_cast<const char *>(data + 2);
    size -= 2;

    RecordContents whole, pieces;
    RecordFileParser a(whole), b(pieces);
    const bool fedWhole = a.feed(bytes, size);
    Check(a.bufferedBytes() <= kMaxRecordLine + 1);
    const RecordReadResult resultWhole = a.finish();
    bool fedPieces = b.feed(bytes, cut);
    Check(b.bufferedBytes() <= kMaxRecordLine + 1);
    if (fedPieces)
        fedPieces = b.feed(bytes + cut, size - cut);
    Check(fedWhole == fedPieces);
    Check(resultWhole == b.finish());
    Check(whole.time == pieces.time && whole.skipped == pieces.skipped &&
          whole.sensorId == pieces.sensorId && whole.program == pieces.program);
    for (int k = 0; k < kRecSignals; ++k)
        Check(whole.values[k] == pieces.values[k] && whole.values[k].size() == whole.lines());

    // Every line read prints back through the recorder's own writer into a line that reads the
    // same again.
    for (size_t i = 0; i < whole.lines(); ++i) {
        const std::string text = RecordTimeText(whole.time[i]);
        std::tm when{};
        if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &when.tm_mon, &when.tm_mday,
                        &when.tm_year, &when.tm_hour, &when.tm_min, &when.tm_sec) != 6)
            std::abort();
        when.tm_mon -= 1;
        when.tm_year -= 1900;
        DataFrameRec f;
        f.Ch0 = whole.values[kRecCh0][i];
        f.Ch1 = whole.values[kRecCh1][i];
        f.Temp = whole.values[kRecTemp][i];
        f.Sig = whole.values[kRecSig][i];
        std::string line = RecordLine(f, when);
        line.resize(line.size() - 2); // CR LF
        int64_t t = 0;
        int16_t v[kRecSignals] = {};
        Check(ParseRecordLine(line.data(), line.size(), &t, v) && t == whole.time[i]);
        Check(v[kRecCh0] == f.Ch0 && v[kRecCh1] == f.Ch1 && v[kRecTemp] == f.Temp &&
              v[kRecSig] == f.Sig);
    }
    return 0;
}
