// The simulated sensor's EEPROM kept in a file, so that a stored parameter set survives a
// restart of the simulator: the 52 bytes of the set as they travel on the wire.
#pragma once

#include "sim/sensor_data.h"

#include <string>

namespace sim {

// False (and `out` untouched) when the file is missing or is not exactly one set.
bool ReadEepromFile(const std::string &path, ParamRecord *out);
// Replaces the file as a whole; false when it cannot be written.
bool WriteEepromFile(const std::string &path, const ParamRecord &params);

} // namespace sim
