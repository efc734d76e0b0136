// The Plug and Play way: install the package INF's driver for a present device it claims, or for
// a new root-enumerated device with the claimed hardware ID.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <string>

// The package INF of the running architecture beside the program.
std::wstring GetPnpInfPath();

class CPnpInstaller {
public:
    CPnpInstaller() = default;
    ~CPnpInstaller() { Reset(); }
    CPnpInstaller(const CPnpInstaller&) = delete;
    CPnpInstaller& operator=(const CPnpInstaller&) = delete;

    // Looks for a present device whose first hardware ID the INF claims; the last one enumerated
    // wins. Fills m_strInfPath and m_strHardwareId.
    BOOL FindMatchingDevice(const std::wstring& infPath);
    // Installs the INF's driver for m_strHardwareId (or the INF's first model hardware ID).
    BOOL Install();
    void Reset();

    HDEVINFO m_hDevInfo = nullptr;
    std::wstring m_strInfPath;
    std::wstring m_strHardwareId;
};

class CDriverSetupHelper {
public:
    virtual ~CDriverSetupHelper() = default;
    BOOL InstallDriverForHardwareId(const std::wstring& infPath, const std::wstring& hardwareId,
                                    BOOL* rebootRequired);
    // Whether any present device lists the hardware ID (exactly) anywhere in its hardware IDs.
    BOOL IsHardwareIdPresent(const std::wstring& hardwareId);
    // Registers a root-enumerated device with the hardware ID and installs the driver on it; the
    // device is removed again when the driver update fails.
    BOOL InstallRootDevice(const std::wstring& infPath, const std::wstring& hardwareId,
                           BOOL* rebootRequired);
};
