// The clock the bench programs time their steps with.
#pragma once

#include <windows.h>

// Microseconds on the performance counter.
inline long long NowUs() {
    LARGE_INTEGER frequency{}, now{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&now);
    return now.QuadPart * 1000000 / frequency.QuadPart;
}
