// The serial settings string of the settings row ("9600,N,8,1").
#include "serial/ptt.h"

#include <cstdint>

namespace {
// The one place that names the parser under test.
void parse(const QString &settings)
{
    SerialPtt::parseSettings(settings);
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    parse(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
