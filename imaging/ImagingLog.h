#pragma once

#include <cstddef>
#include <cstdint>

// Tables of numbers in the run's log: after a time-stamped heading the values follow as
// raw rows, each value written "%d " and each row ended by "\n".
namespace imaging_log {

// A time-stamped line.
void line(const char* text);
// Text without a time stamp.
void raw(const char* text);
void rows(const uint8_t* values, size_t count, size_t perRow);
void rows(const int* values, size_t count, size_t perRow);

} // namespace imaging_log
