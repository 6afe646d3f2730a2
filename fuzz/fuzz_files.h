// The fuzz targets' private directory and how they put an input into a file there.
#pragma once

#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzapp {

inline const std::string &WorkDir()
{
    static QTemporaryDir dir;
    static const std::string path = dir.path().toStdString();
    return path;
}

inline void WriteFile(const std::string &path, const uint8_t *data, size_t size)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size)
        std::fwrite(data, 1, size, f);
    std::fclose(f);
}

} // namespace fuzzapp
