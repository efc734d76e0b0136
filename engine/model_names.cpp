#include "engine/model_names.h"

namespace engine {

namespace {

// Letter case aside, as the spooler and the file system compare names.
std::wstring Folded(const std::wstring& name) {
    std::wstring folded = name;
    for (wchar_t& c : folded)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    return folded;
}

// The name Windows gives a device when a file is opened: the part before the first dot, without
// the spaces that end it.
bool IsReservedDeviceName(const std::wstring& model) {
    std::wstring base = Folded(model.substr(0, model.find(L'.')));
    while (!base.empty() && base.back() == L' ')
        base.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL"})
        if (base == device)
            return true;
    if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0)) {
        const wchar_t digit = base[3];
        return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
               digit == L'\u00B3';
    }
    return false;
}

} // namespace

wchar_t ForbiddenCharacterOf(const std::wstring& name) {
    for (wchar_t c : name) {
        if (c < 0x20)
            return c;
        switch (c) {
        case L',':
        case L'\\':
        case L'/':
        case L':':
        case L'*':
        case L'?':
        case L'"':
        case L'<':
        case L'>':
        case L'|':
            return c;
        default:
            break;
        }
    }
    return 0;
}

ModelNameFault ModelNameFaultOf(const std::wstring& name) {
    if (name.empty())
        return ModelNameFault::Empty;
    if (name.size() > kLongestModelName)
        return ModelNameFault::TooLong;
    if (ForbiddenCharacterOf(name) != 0)
        return ModelNameFault::ForbiddenCharacter;
    if (IsReservedDeviceName(name))
        return ModelNameFault::ReservedFileName;
    return ModelNameFault::None;
}

OfferedModels SelectOfferedModels(const std::vector<std::wstring>& entries) {
    OfferedModels offered;
    std::vector<std::wstring> seen;
    for (const std::wstring& name : entries) {
        ModelNameFault fault = ModelNameFaultOf(name);
        if (fault == ModelNameFault::Empty)
            continue;
        const std::wstring folded = Folded(name);
        if (fault == ModelNameFault::None) {
            for (const std::wstring& earlier : seen)
                if (earlier == folded)
                    fault = ModelNameFault::Duplicate;
        }
        if (fault != ModelNameFault::None) {
            offered.leftOut.push_back({name, fault});
            continue;
        }
        seen.push_back(folded);
        offered.names.push_back(name);
    }
    return offered;
}

std::wstring LeftOutModelText(const LeftOutModel& model) {
    std::wstring reason;
    switch (model.fault) {
    case ModelNameFault::ForbiddenCharacter: {
        const wchar_t c = ForbiddenCharacterOf(model.name);
        reason = c < 0x20 ? L"含有控制字符 " + std::to_wstring(static_cast<int>(c))
                          : L"含有打印机名称或文件名不能使用的字符 " + std::wstring(1, c);
        break;
    }
    case ModelNameFault::ReservedFileName:
        reason = L"其数据文件名是 Windows 保留的设备名";
        break;
    case ModelNameFault::TooLong:
        reason = L"长于 " + std::to_wstring(kLongestModelName) + L" 个字符";
        break;
    case ModelNameFault::Duplicate:
        reason = L"与前面的型号重复";
        break;
    case ModelNameFault::Empty:
    case ModelNameFault::None:
        reason = L"空";
        break;
    }
    return L"型号 \"" + model.name + L"\" 未列出：" + reason;
}

std::wstring ModelsBeyondCapacityText(int declared, int capacity) {
    return L"产品目录列出 " + std::to_wstring(declared) + L" 个型号，只能显示前 " +
           std::to_wstring(capacity) + L" 个，未列出 " + std::to_wstring(declared - capacity) +
           L" 个";
}

} // namespace engine
