#include "unattended/path_walk.h"

namespace unattended {

namespace {

bool IsLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// The length of the root at the start of `path` ("C:\" is 3), 0 when the path is not full.
size_t RootLength(const std::wstring& path) {
    size_t start = 0;
    bool unc = false;
    if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) {
        start = 4;
        if (path.size() >= 8 &&
            (path.compare(4, 4, L"UNC\\") == 0 || path.compare(4, 4, L"unc\\") == 0)) {
            start = 8;
            unc = true;
        }
    } else if (path.rfind(L"\\\\", 0) == 0) {
        start = 2;
        unc = true;
    }
    if (!unc) {
        if (path.size() >= start + 3 && IsLetter(path[start]) && path[start + 1] == L':' &&
            path[start + 2] == L'\\')
            return start + 3;
        return 0;
    }
    // Server, then share, each not empty.
    const size_t server = path.find(L'\\', start);
    if (server == std::wstring::npos || server == start)
        return 0;
    const size_t share = path.find(L'\\', server + 1);
    if (share == std::wstring::npos || share == server + 1)
        return 0;
    return share + 1;
}

} // namespace

std::vector<std::wstring> PathSteps(const std::wstring& fullPath) {
    std::wstring path = fullPath;
    // "\\?\" paths are taken as written by Windows; others have "/" read as "\".
    if (path.rfind(L"\\\\?\\", 0) != 0)
        for (wchar_t& c : path)
            if (c == L'/')
                c = L'\\';
    const size_t root = RootLength(path);
    if (root == 0)
        return {};
    std::vector<std::wstring> names;
    size_t at = root;
    while (at <= path.size()) {
        size_t end = path.find(L'\\', at);
        if (end == std::wstring::npos)
            end = path.size();
        const std::wstring name = path.substr(at, end - at);
        if (name == L"..") {
            if (!names.empty())
                names.pop_back();
        } else if (!name.empty() && name != L".") {
            names.push_back(name);
        }
        at = end + 1;
    }
    std::vector<std::wstring> steps;
    std::wstring step = path.substr(0, root);
    for (const std::wstring& name : names) {
        if (step.back() != L'\\')
            step += L'\\';
        step += name;
        steps.push_back(step);
    }
    return steps;
}

} // namespace unattended
