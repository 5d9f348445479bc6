// A register script, line by line, as the script run checks it before sending anything.
#include "maintenance/RegisterScript.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    int number = 0;
    for (const QByteArray& line : text.split('\n'))
        (void)parseScriptLine(line, ++number);
    return 0;
}
