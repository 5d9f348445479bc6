#include "imaging/ImagingLog.h"

#include "app/AppContext.h"

#include <string>

namespace imaging_log {
namespace {

template <typename T>
void writeRows(const T* values, size_t count, size_t perRow)
{
    std::string row;
    for (size_t i = 0; i < count; ++i) {
        row += std::to_string(static_cast<int>(values[i]));
        row += ' ';
        if ((i + 1) % perRow == 0 || i + 1 == count) {
            row += '\n';
            raw(row.c_str());
            row.clear();
        }
    }
}

} // namespace

void line(const char* text)
{
    appContext().log.log(text);
}

void raw(const char* text)
{
    appContext().log.log(text, false, true);
}

void rows(const uint8_t* values, size_t count, size_t perRow)
{
    writeRows(values, count, perRow);
}

void rows(const int* values, size_t count, size_t perRow)
{
    writeRows(values, count, perRow);
}

} // namespace imaging_log
