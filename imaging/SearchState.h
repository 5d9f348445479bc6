#pragma once

#include <atomic>
#include <cstdint>

// Outcome flags of the image-adjusting search: 1 when the last attempt succeeded.
extern std::atomic<int> g_SearchStartLine;
extern std::atomic<int> g_OptimumStartLine;
extern std::atomic<int> g_OptimumLineFlag;
extern std::atomic<int> g_isExposureSuc;

// Rows the start-line search looks in: 200..300, or 50..200 for a sensor whose register
// 0x12 has bit 6 set (decided when image-adjusting opens).
extern std::atomic<uint16_t> g_StartLineSearchLow;
extern std::atomic<uint16_t> g_StartLineSearchHigh;

// Column-search results (0 each time the imaging worker starts).
extern std::atomic<uint16_t> Left_Start;
extern std::atomic<uint16_t> Left_End;
extern std::atomic<uint16_t> Right_Start;
extern std::atomic<uint16_t> Right_End;

// 1 = the side's picture is acceptable. The window sets both to 1 before a search.
extern std::atomic<int> leftQualified;
extern std::atomic<int> rightQualified;

// What the window does after a failed search: the flags back to 0, the frame counted as
// communicating again.
void resetSearchFlags();
// Column results back to 0, as when the worker starts.
void clearColumnResults();
