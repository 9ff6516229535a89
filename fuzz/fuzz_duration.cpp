// The route duration typed in its dialog: the number at the start of the text,
// then the whole minutes the countdowns use.
#include "core/convert.h"
#include "core/settings.h"
#include "dialogs/frmtempo.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Settings s;
    s.tempo = leadingNumber(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    s.displayMinutes();
    toInt16(s.tempo);
    return 0;
}
