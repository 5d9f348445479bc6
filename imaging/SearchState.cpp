#include "imaging/SearchState.h"

#include "device/DeviceState.h"
#include "imaging/LineImages.h"

std::atomic<int> g_SearchStartLine{0};
std::atomic<int> g_OptimumStartLine{0};
std::atomic<int> g_OptimumLineFlag{0};
std::atomic<int> g_isExposureSuc{0};

std::atomic<uint16_t> g_StartLineSearchLow{200};
std::atomic<uint16_t> g_StartLineSearchHigh{300};

std::atomic<uint16_t> Left_Start{0};
std::atomic<uint16_t> Left_End{0};
std::atomic<uint16_t> Right_Start{0};
std::atomic<uint16_t> Right_End{0};

std::atomic<int> leftQualified{1};
std::atomic<int> rightQualified{1};

void resetSearchFlags()
{
    g_SearchStartLine = 0;
    g_OptimumStartLine = 0;
    g_OptimumLineFlag = 0;
    g_PreviewSucFlag = 0;
    g_isDeviceCommunicate = 1;
}

void clearColumnResults()
{
    Left_Start = 0;
    Left_End = 0;
    Right_Start = 0;
    Right_End = 0;
}
