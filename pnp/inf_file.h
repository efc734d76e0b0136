// The driver package INF read from disk: manufacturer entries and the model hardware IDs of the
// running architecture.
#pragma once

#include "pnp/inf_rules.h"

#include <windows.h>

#include <string>
#include <vector>

// INF text: UTF-16LE or UTF-8 when the file starts with their byte-order mark, else the ANSI
// code page.
std::wstring DecodeInfText(const std::string& bytes);

class CInfFileHelper {
public:
    virtual ~CInfFileHelper() = default;

    // Reads the whole file, read-only and sharing all access. False when it cannot be read or is
    // implausibly large for an INF.
    bool Open(const std::wstring& path);

    BOOL FindSection(const std::wstring& header, BOOL noRewind = FALSE);
    // The values of "[Manufacturer]" (text after "=").
    BOOL ReadManufacturers(std::vector<std::wstring>& entries);
    // The hardware-ID part (text after ",") of the model lines of the running architecture's
    // model section. The section does not depend on the manufacturer entry.
    BOOL ReadModelHardwareIds(const std::wstring& manufacturer, std::vector<std::wstring>& ids);
    // The "key = value" lines of the section `header` ("[Strings]", a model section).
    BOOL ReadSectionEntries(const std::wstring& header, std::vector<pnp::InfEntry>& entries);

private:
    pnp::InfLines m_file;
};
