#include "controls/error_text_layout.h"

namespace controls {

ErrorTextLayout LayoutErrorText(const std::wstring& code) {
    ErrorTextLayout layout;
    const std::size_t n = code.size();
    int y = 139;
    if (n <= kErrorCodeLineUnits) {
        layout.lines.push_back({kErrorTextLeft, 118, L"错误代码：" + code});
    } else {
        layout.lines.push_back(
            {kErrorTextLeft, 118, L"错误代码：" + code.substr(0, kErrorCodeLineUnits)});
        const std::size_t q = n / kErrorCodeLineUnits;
        const std::size_t r = n % kErrorCodeLineUnits;
        for (std::size_t i = 1; i < q; ++i) {
            layout.lines.push_back(
                {kErrorTextLeft, y, code.substr(kErrorCodeLineUnits * i, kErrorCodeLineUnits)});
            y += 21;
        }
        if (r != 0) {
            layout.lines.push_back({kErrorTextLeft, y, code.substr(kErrorCodeLineUnits * q)});
            y += 21;
        }
        layout.moveButton = true;
        layout.buttonY = y + 60;
    }
    layout.lines.push_back({kErrorTextLeft, y + 10, L"请关闭所有应用程序并重启系统后再次安装。"});
    layout.lines.push_back(
        {kErrorTextLeft, y + 30, L"如错误情况依然存在，请联系设备厂家获取技术支持。"});
    return layout;
}

} // namespace controls
