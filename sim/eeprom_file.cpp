#include "sim/eeprom_file.h"

#include <QFile>
#include <QSaveFile>

namespace sim {

bool ReadEepromFile(const std::string &path, ParamRecord *out)
{
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.read(kParamBytes + 1);
    if (bytes.size() != kParamBytes)
        return false;
    *out = UnpackParams(reinterpret_cast<const uint8_t *>(bytes.constData()), kParamBytes);
    return true;
}

bool WriteEepromFile(const std::string &path, const ParamRecord &params)
{
    QSaveFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const std::vector<uint8_t> bytes = PackParams(params);
    if (f.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size())) !=
        qint64(bytes.size()))
        return false;
    return f.commit();
}

} // namespace sim
