#include "wizard/wizard_rules.h"

namespace wizard {

using job::kModelPrefix;

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
