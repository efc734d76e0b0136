#include "engine/protected_print.h"

#include "win/system_library.h"

#include <atomic>

namespace engine {

namespace {

std::atomic<const ProtectedPrintApi*> g_override{nullptr};

constexpr wchar_t kClassName[] =
    L"Windows.Graphics.Printing.ProtectedPrint.WindowsProtectedPrintInfo";
// IWindowsProtectedPrintInfoStatics.
constexpr GUID kStaticsIid = {
    0xa7d212f3, 0x4168, 0x5485, {0x98, 0xab, 0xd8, 0x9d, 0x04, 0x60, 0x3b, 0x40}};

using HString = struct HStringHandle*;

// The statics interface: IInspectable's six entries, then the property's getter.
struct StaticsTable {
    HRESULT(WINAPI* QueryInterface)(void*, REFIID, void**);
    ULONG(WINAPI* AddRef)(void*);
    ULONG(WINAPI* Release)(void*);
    HRESULT(WINAPI* GetIids)(void*, ULONG*, IID**);
    HRESULT(WINAPI* GetRuntimeClassName)(void*, HString*);
    HRESULT(WINAPI* GetTrustLevel)(void*, int*);
    HRESULT(WINAPI* get_IsProtectedPrintEnabled)(void*, unsigned char*);
};
struct Statics {
    const StaticsTable* table;
};

HRESULT SystemIsProtectedPrintEnabled(bool* enabled) {
    HMODULE combase = win::LoadSystemLibrary(L"combase.dll");
    auto* initialize = win::GetProc<HRESULT WINAPI(int)>(combase, "RoInitialize");
    auto* uninitialize = win::GetProc<void WINAPI()>(combase, "RoUninitialize");
    auto* createString = win::GetProc<HRESULT WINAPI(const wchar_t*, UINT32, HString*)>(
        combase, "WindowsCreateString");
    auto* deleteString = win::GetProc<HRESULT WINAPI(HString)>(combase, "WindowsDeleteString");
    auto* getFactory =
        win::GetProc<HRESULT WINAPI(HString, REFIID, void**)>(combase, "RoGetActivationFactory");
    if (initialize == nullptr || uninitialize == nullptr || createString == nullptr ||
        deleteString == nullptr || getFactory == nullptr)
        return E_NOTIMPL;
    constexpr int kMultithreaded = 1; // RO_INIT_MULTITHREADED
    const HRESULT initialized = initialize(kMultithreaded);
    HString name = nullptr;
    HRESULT result = createString(
        kClassName, static_cast<UINT32>(sizeof(kClassName) / sizeof(wchar_t) - 1), &name);
    Statics* statics = nullptr;
    if (SUCCEEDED(result))
        result = getFactory(name, kStaticsIid, reinterpret_cast<void**>(&statics));
    if (SUCCEEDED(result) && statics != nullptr) {
        unsigned char value = 0;
        result = statics->table->get_IsProtectedPrintEnabled(statics, &value);
        if (SUCCEEDED(result))
            *enabled = value != 0;
        statics->table->Release(statics);
    }
    if (name != nullptr)
        deleteString(name);
    if (SUCCEEDED(initialized))
        uninitialize();
    return result;
}

const ProtectedPrintApi kSystem{&SystemIsProtectedPrintEnabled};

// Read in the system's own registry view, also from the 32-bit installer.
bool PolicyTurnsItOn() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProtectedPrintPolicyKey, 0,
                        KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return false;
    DWORD value = 0, size = sizeof(value), type = 0;
    const LSTATUS read = ::RegQueryValueExW(key, kProtectedPrintPolicyValue, nullptr, &type,
                                            reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(key);
    return read == ERROR_SUCCESS && type == REG_DWORD && value != 0;
}

} // namespace

ProtectedPrintState ProtectedPrintMode() {
    const ProtectedPrintApi* api = g_override.load();
    bool enabled = false;
    const HRESULT asked = (api != nullptr ? *api : kSystem).IsProtectedPrintEnabled(&enabled);
    ProtectedPrintState state;
    if (SUCCEEDED(asked) && enabled) {
        state.enabled = true;
        state.how = L"Windows";
    } else if (PolicyTurnsItOn()) {
        state.enabled = true;
        state.how = L"policy";
    } else {
        state.how = SUCCEEDED(asked) ? L"Windows 表示未开启" : L"此 Windows 没有该模式，策略未开启";
    }
    return state;
}

void SetProtectedPrintForTesting(const ProtectedPrintApi* api) {
    g_override.store(api);
}

} // namespace engine
