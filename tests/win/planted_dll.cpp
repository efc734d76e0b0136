// A stranger's DLL, planted beside a program under a system DLL's name. Its marker export tells
// a probe which copy it got.
#include <windows.h>

extern "C" __declspec(dllexport) int PlantedMarker() {
    return 0x504C414E; // "PLAN"
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
