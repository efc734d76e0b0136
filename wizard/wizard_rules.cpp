#include "wizard/wizard_rules.h"

#include <cstdio>
#include <cwchar>

namespace wizard {

int MatchDetectedModel(const std::vector<std::wstring>& names, const std::wstring& detected) {
    int match = -1;
    for (size_t i = 0; i < names.size(); ++i) {
        if (!names[i].empty() && detected.find(names[i]) != std::wstring::npos)
            match = static_cast<int>(i);
    }
    return match;
}

std::wstring ModelOfRow(const std::wstring& row) {
    const std::wstring prefix = kModelPrefix;
    if (row.find(prefix) == std::wstring::npos)
        return row;
    return row.substr(prefix.size());
}

std::wstring ModelCaption(const std::wstring& model) {
    if (model.find(kModelPrefix) != std::wstring::npos)
        return model;
    return kModelPrefix + model;
}

int PreselectPortRow(const std::vector<std::wstring>& rows, unsigned long usbPortNumber) {
    std::wstring wanted = L"LPT";
    if (usbPortNumber != 0) {
        wchar_t name[32];
        std::swprintf(name, 32, L"USB%03lu", usbPortNumber);
        wanted = name;
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].find(wanted) != std::wstring::npos)
            return static_cast<int>(i);
    }
    return -1;
}

std::wstring NextPageRefusal(int page, long rows, bool selected) {
    if (page == 1) {
        if (rows <= 0)
            return L"PrinterInfo.ini 中没有打印机型号，无法继续安装。请联系设备厂家获取技术支持。";
        if (!selected)
            return L"请选择打印机型号。";
    } else if (page == 2) {
        if (rows <= 0)
            return L"没有找到可用的端口，无法继续安装。";
        if (!selected)
            return L"请选择打印机连接的端口。";
    }
    return std::wstring();
}

bool AnimationTick(AnimationState& state) {
    if (state.pause > 0) {
        --state.pause;
        return false;
    }
    if (state.position >= 100) {
        state.pause = 20;
        state.position = 0;
        return true;
    }
    ++state.position;
    return true;
}

} // namespace wizard
