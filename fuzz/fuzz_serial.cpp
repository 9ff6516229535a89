// The serial settings string of the settings row ("9600,N,8,1").
#include "ptt/linesettings.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto line = LineSettings::parse(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (line.isValid()) {
        // What the port applies must read back as what was accepted.
        if (LineSettings::parse(line.toString()).toString() != line.toString())
            __builtin_trap();
        line.baudRate();
        line.portParity();
        line.portDataBits();
        line.portStopBits();
    } else if (line.problem().isEmpty()) {
        __builtin_trap();
    }
    return 0;
}
