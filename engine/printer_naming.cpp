// Names of the spooler objects the installer creates.
#include "engine/printer_naming.h"

namespace engine {

std::wstring PrinterBaseName(const std::wstring& modelName) {
    const std::wstring prefix = std::wstring(kMakerName) + L" ";
    if (modelName.find(prefix) != std::wstring::npos)
        return modelName;
    return prefix + modelName;
}

std::wstring PrinterCopyName(const std::wstring& baseName, int number) {
    return baseName + L" (副本 " + std::to_wstring(number) + L")";
}

} // namespace engine
