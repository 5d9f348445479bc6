#include "device/DebugOutput.h"

#include <QtGlobal>

#include <cstdarg>
#include <cstdio>

void debugPrintf(const char* fmt, ...)
{
    char text[1024];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    qDebug("%s", text);
}
