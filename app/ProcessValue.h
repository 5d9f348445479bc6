#pragma once

#include <atomic>

// A process-wide atomic value that keeps its value at program start, so that the
// functions that put a part's values back as at start name each value once and never
// restate (and drift from) its first value.
template <typename T>
class ProcessValue : public std::atomic<T> {
public:
    constexpr explicit ProcessValue(T start) : std::atomic<T>(start), start_(start) {}

    using std::atomic<T>::operator=;

    void reset() { this->store(start_); }

private:
    const T start_;
};

// Every value given back to its value at program start.
template <typename... Values>
void resetToStart(Values&... values)
{
    (values.reset(), ...);
}
