#include "unattended/command_line.h"

namespace unattended {

namespace {

enum class Switch {
    Quiet,
    Model,
    Port,
    Log,
    Report,
    TestPage,
    NewQueue,
    AllUsers,
    Package,
    Uninstall,
    Check,
    Help,
    Unknown
};

struct SwitchName {
    const wchar_t* name;
    Switch which;
    bool takesValue;
};

constexpr SwitchName kSwitches[] = {
    {L"quiet", Switch::Quiet, false},
    {L"model", Switch::Model, true},
    {L"port", Switch::Port, true},
    {L"log", Switch::Log, true},
    {L"report", Switch::Report, true},
    {L"testpage", Switch::TestPage, false},
    {L"newqueue", Switch::NewQueue, false},
    {L"allusers", Switch::AllUsers, false},
    {L"msi", Switch::Package, false},
    {L"uninstall", Switch::Uninstall, false},
    {L"check", Switch::Check, false},
    {L"?", Switch::Help, false},
    {L"h", Switch::Help, false},
    {L"help", Switch::Help, false},
};

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

bool IsSwitchToken(const std::wstring& token) {
    return token.size() > 1 && (token[0] == L'/' || token[0] == L'-');
}

const SwitchName* Find(const std::wstring& name) {
    const std::wstring lower = Lower(name);
    for (const SwitchName& entry : kSwitches) {
        if (lower == entry.name)
            return &entry;
    }
    return nullptr;
}

// A known switch given as an argument: then it is not the value of the switch before it.
bool IsKnownSwitch(const std::wstring& token) {
    if (!IsSwitchToken(token))
        return false;
    const std::wstring body = token.substr(1);
    return Find(body.substr(0, body.find(L':'))) != nullptr;
}

bool IsAuto(const std::wstring& value) {
    return Lower(value) == L"auto";
}

// Which switches each action takes.
bool Allowed(Action action, Switch which) {
    switch (action) {
    case Action::Uninstall:
        return which == Switch::Quiet || which == Switch::Log || which == Switch::Report ||
               which == Switch::Uninstall;
    case Action::Check:
        return which == Switch::Quiet || which == Switch::Log || which == Switch::Report ||
               which == Switch::Model || which == Switch::Check;
    default:
        return true;
    }
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    ParsedCommandLine parsed;
    Options& options = parsed.options;
    std::vector<Switch> given;
    std::wstring firstError;
    auto fail = [&](const std::wstring& why) {
        if (firstError.empty())
            firstError = why;
    };
    bool help = false;
    bool uninstall = false;
    bool check = false;

    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& token = arguments[i];
        if (!IsSwitchToken(token)) {
            fail(L"无法识别的参数：" + token);
            continue;
        }
        const std::wstring body = token.substr(1);
        const size_t colon = body.find(L':');
        const std::wstring name = body.substr(0, colon);
        const SwitchName* entry = Find(name);
        if (entry == nullptr) {
            fail(L"无法识别的参数：" + token);
            continue;
        }
        std::wstring value;
        bool hasValue = colon != std::wstring::npos;
        if (hasValue) {
            value = body.substr(colon + 1);
        } else if (entry->takesValue && i + 1 < arguments.size() &&
                   !IsKnownSwitch(arguments[i + 1])) {
            value = arguments[++i];
            hasValue = true;
        }
        if (entry->takesValue && value.empty()) {
            fail(L"参数 " + token + L" 缺少值");
            continue;
        }
        if (!entry->takesValue && hasValue) {
            fail(L"参数 /" + name + L" 不带值");
            continue;
        }
        bool repeated = false;
        for (Switch seen : given)
            repeated = repeated || seen == entry->which;
        if (repeated) {
            fail(L"参数 /" + Lower(name) + L" 重复");
            continue;
        }
        given.push_back(entry->which);
        switch (entry->which) {
        case Switch::Quiet:
            options.quiet = true;
            break;
        case Switch::Model:
            options.model = IsAuto(value) ? std::wstring() : value;
            break;
        case Switch::Port:
            options.port = IsAuto(value) ? std::wstring() : value;
            break;
        case Switch::Log:
            options.logFile = value;
            break;
        case Switch::Report:
            options.reportFile = value;
            break;
        case Switch::TestPage:
            options.testPage = true;
            break;
        case Switch::NewQueue:
            options.newQueue = true;
            break;
        case Switch::AllUsers:
            options.allUsers = true;
            break;
        case Switch::Package:
            options.fromPackage = true;
            break;
        case Switch::Uninstall:
            uninstall = true;
            break;
        case Switch::Check:
            check = true;
            break;
        case Switch::Help:
            help = true;
            break;
        case Switch::Unknown:
            break;
        }
    }

    if (help) {
        // Asking for the usage always gets it, whatever else was given.
        options.action = Action::Usage;
        return parsed;
    }
    if (uninstall && check)
        fail(L"/uninstall 和 /check 不能同时使用");
    if (uninstall)
        options.action = Action::Uninstall;
    else if (check)
        options.action = Action::Check;
    else if (!given.empty() || !arguments.empty())
        options.action = Action::Install;
    for (Switch which : given) {
        if (!Allowed(options.action, which)) {
            for (const SwitchName& entry : kSwitches) {
                if (entry.which == which) {
                    fail(std::wstring(L"参数 /") + entry.name +
                         (options.action == Action::Uninstall ? L" 不能与 /uninstall 同时使用"
                                                              : L" 不能与 /check 同时使用"));
                    break;
                }
            }
        }
    }
    parsed.error = firstError;
    return parsed;
}

std::wstring UsageText() {
    return L"用法：\r\n"
           L"  Setup.exe [/quiet] [/model 型号|auto] [/port 端口|auto] [/log 文件] [/report 文件] "
           L"[/testpage] [/newqueue] [/allusers] [/msi]\r\n"
           L"  Setup.exe /uninstall [/quiet] [/log 文件] [/report 文件]\r\n"
           L"  Setup.exe /check [/quiet] [/model 型号] [/log 文件] [/report 文件]\r\n"
           L"  Setup.exe /?\r\n"
           L"\r\n"
           L"  /quiet      不显示任何窗口，结果见退出代码、日志和报告\r\n"
           L"  /model      要安装的型号（如 KV-8200），auto 为连接的打印机的型号\r\n"
           L"  /port       打印机端口（如 USB001、LPT1:），auto 为自动选择的端口\r\n"
           L"  /log        安装日志同时写入此文件\r\n"
           L"  /report     把结果写成 JSON 报告（UTF-8）\r\n"
           L"  /testpage   安装成功后打印一张测试小票\r\n"
           L"  /newqueue   再添加一台打印机（副本），即使此型号在此端口上已安装\r\n"
           L"  /allusers   开始菜单项和日志放在所有用户共用的位置（以 SYSTEM 运行时总是如此）\r\n"
           L"  /msi        由 Windows Installer 安装包运行：应用和功能中只有安装包的条目\r\n"
           L"  /uninstall  卸载本驱动的打印机、驱动、语言监视器、程序文件夹和开始菜单项\r\n"
           L"  /check      只检查能否安装，不改动这台电脑\r\n"
           L"\r\n"
           L"退出代码：0 成功，1602 用户取消，1603 安装失败，1618 安装程序已在运行，\r\n"
           L"1619 安装包无法读取，1633 不支持此平台，1638 已安装本产品的更新版本，\r\n"
           L"1639 命令行参数无效。\r\n";
}

} // namespace unattended
