// Printers answering through pipes, a device tree and refused sets behind the discovery's entries.
#include "tests/discovery/fake_discovery.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace discovery_testing {

namespace {

constexpr DEVINST kFirstNode = 0x40000000;
constexpr DWORD kLateReplyMs = 300;

FakeDiscovery* g_active = nullptr;
std::atomic<int> g_pipeNumber{0};

} // namespace

// The replacement entries: each hands the call to the active fake, or to the system when the
// fake was not told otherwise.
struct FakeEntries {
    static HDEVINFO WINAPI GetClassDevs(const GUID* guid, PCWSTR enumerator, HWND window,
                                        DWORD flags) {
        if (g_active->m_refuseSets != 0) {
            ::SetLastError(g_active->m_refuseSets);
            return INVALID_HANDLE_VALUE;
        }
        return discovery::SystemDiscovery().SetupDiGetClassDevsW(guid, enumerator, window, flags);
    }
    static HANDLE WINAPI CreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                                    DWORD, DWORD flags, HANDLE) {
        return g_active->OpenPrinter(OpenCall{path, access, share, flags});
    }
    static BOOL WINAPI DeviceIoControl(HANDLE device, DWORD code, LPVOID, DWORD, LPVOID out,
                                       DWORD outBytes, LPDWORD returned, LPOVERLAPPED overlapped) {
        return g_active->Request(device, code, out, outBytes, returned, overlapped);
    }
    static CONFIGRET WINAPI Locate(PDEVINST node, DEVINSTID_W id, ULONG) {
        *node = 0;
        if (g_active->m_locateResult != CR_SUCCESS)
            return g_active->m_locateResult;
        *node = g_active->NodeOf(id);
        return CR_SUCCESS;
    }
    static CONFIGRET WINAPI Reenumerate(DEVINST node, ULONG) {
        std::wstring id;
        if (!g_active->IdOf(node, id))
            return CR_NO_SUCH_DEVNODE;
        if (g_active->m_reenumerateResult != CR_SUCCESS)
            return g_active->m_reenumerateResult;
        std::lock_guard<std::mutex> lock(g_active->m_mutex);
        g_active->m_rescans.push_back(id);
        return CR_SUCCESS;
    }
    static CONFIGRET WINAPI GetChild(PDEVINST child, DEVINST parent, ULONG) {
        *child = 0;
        std::wstring id;
        if (!g_active->IdOf(parent, id))
            return CR_NO_SUCH_DEVNODE;
        const std::vector<std::wstring> children = g_active->PresentChildren(id);
        if (children.empty())
            return CR_NO_SUCH_DEVNODE;
        *child = g_active->NodeOf(children.front());
        return CR_SUCCESS;
    }
    static CONFIGRET WINAPI GetSibling(PDEVINST sibling, DEVINST node, ULONG) {
        *sibling = 0;
        if (g_active->m_loopSiblings) {
            *sibling = node;
            return CR_SUCCESS;
        }
        std::wstring id;
        if (!g_active->IdOf(node, id))
            return CR_NO_SUCH_DEVNODE;
        for (const auto& family : g_active->m_children) {
            const std::vector<std::wstring> present = g_active->PresentChildren(family.first);
            auto it = std::find(present.begin(), present.end(), id);
            if (it != present.end() && it + 1 != present.end()) {
                *sibling = g_active->NodeOf(*(it + 1));
                return CR_SUCCESS;
            }
        }
        return CR_NO_SUCH_DEVNODE;
    }
    static bool Hidden(DEVINST node) {
        std::wstring id;
        const auto& hidden = g_active->m_hiddenIds;
        return g_active->IdOf(node, id) &&
               std::find(hidden.begin(), hidden.end(), id) != hidden.end();
    }
    static CONFIGRET WINAPI GetIdSize(PULONG size, DEVINST node, ULONG flags) {
        *size = 0;
        if (node < kFirstNode)
            return discovery::SystemDiscovery().CM_Get_Device_ID_Size(size, node, flags);
        std::wstring id;
        if (Hidden(node) || !g_active->IdOf(node, id))
            return CR_NO_SUCH_VALUE;
        *size = static_cast<ULONG>(id.size());
        return CR_SUCCESS;
    }
    static CONFIGRET WINAPI GetId(DEVINST node, PWSTR buffer, ULONG chars, ULONG flags) {
        if (node < kFirstNode)
            return discovery::SystemDiscovery().CM_Get_Device_IDW(node, buffer, chars, flags);
        std::wstring id;
        if (Hidden(node) || !g_active->IdOf(node, id))
            return CR_NO_SUCH_VALUE;
        if (chars < id.size())
            return CR_BUFFER_SMALL;
        std::copy(id.begin(), id.end(), buffer);
        if (chars > id.size())
            buffer[id.size()] = L'\0';
        return CR_SUCCESS;
    }
};

FakeDiscovery::FakeDiscovery() {
    m_api = discovery::SystemDiscovery();
    m_api.SetupDiGetClassDevsW = &FakeEntries::GetClassDevs;
    m_api.CreateFileW = &FakeEntries::CreateFile;
    m_api.DeviceIoControl = &FakeEntries::DeviceIoControl;
    m_api.CM_Locate_DevNodeW = &FakeEntries::Locate;
    m_api.CM_Reenumerate_DevNode = &FakeEntries::Reenumerate;
    m_api.CM_Get_Child = &FakeEntries::GetChild;
    m_api.CM_Get_Sibling = &FakeEntries::GetSibling;
    m_api.CM_Get_Device_ID_Size = &FakeEntries::GetIdSize;
    m_api.CM_Get_Device_IDW = &FakeEntries::GetId;
    g_active = this;
    discovery::SetDiscoveryForTesting(&m_api);
}

FakeDiscovery::~FakeDiscovery() {
    discovery::SetDiscoveryForTesting(nullptr);
    g_active = nullptr;
    for (std::thread& writer : m_lateWriters)
        writer.join();
    for (HANDLE end : m_printerEnds)
        ::CloseHandle(end);
}

void FakeDiscovery::Answer(const std::string& bytes, Reply reply) {
    m_answer = bytes;
    m_reply = reply;
}

std::vector<OpenCall> FakeDiscovery::Opens() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_opens;
}

std::vector<RequestCall> FakeDiscovery::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

std::vector<std::wstring> FakeDiscovery::Rescans() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rescans;
}

bool FakeDiscovery::PrintersClosed() const {
    // Writing into a pipe whose reading end is closed fails; while it is open the byte is kept.
    for (HANDLE end : m_printerEnds) {
        DWORD written = 0;
        if (::WriteFile(end, "?", 1, &written, nullptr))
            return false;
    }
    return true;
}

// The printer is the server end of a new pipe, opened with the caller's overlapped flag; the
// answer is written into our end.
HANDLE FakeDiscovery::OpenPrinter(const OpenCall& call) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_opens.push_back(call);
    }
    if (m_refuseOpen != 0) {
        ::SetLastError(m_refuseOpen);
        return INVALID_HANDLE_VALUE;
    }
    const std::wstring name = L"\\\\.\\pipe\\discovery-printer-" +
                              std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++g_pipeNumber);
    HANDLE printer = ::CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_INBOUND | (call.flags & FILE_FLAG_OVERLAPPED),
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    if (printer == INVALID_HANDLE_VALUE)
        return INVALID_HANDLE_VALUE;
    HANDLE ours = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (ours == INVALID_HANDLE_VALUE) {
        ::CloseHandle(printer);
        return INVALID_HANDLE_VALUE;
    }
    m_printerEnds.push_back(ours);
    const std::string answer = m_answer;
    auto write = [ours, answer] {
        DWORD written = 0;
        if (!answer.empty())
            ::WriteFile(ours, answer.data(), static_cast<DWORD>(answer.size()), &written, nullptr);
    };
    if (m_reply == Reply::Now)
        write();
    else if (m_reply == Reply::Late)
        m_lateWriters.emplace_back([write] {
            ::Sleep(kLateReplyMs);
            write();
        });
    return printer;
}

BOOL FakeDiscovery::Request(HANDLE device, DWORD code, void* out, DWORD outBytes, DWORD* returned,
                            OVERLAPPED* overlapped) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(RequestCall{code, outBytes, overlapped != nullptr});
    }
    if (m_refuseRequest != 0) {
        ::SetLastError(m_refuseRequest);
        return FALSE;
    }
    // An overlapped request reads the pipe: it completes when the answer is written, and it can be
    // cancelled like a real one.
    if (overlapped != nullptr && m_claimedCount == 0)
        return ::ReadFile(device, out, outBytes, nullptr, overlapped);
    const DWORD copied = static_cast<DWORD>(std::min<size_t>(m_answer.size(), outBytes));
    std::memcpy(out, m_answer.data(), copied);
    const DWORD count = m_claimedCount != 0 ? m_claimedCount : copied;
    if (returned != nullptr)
        *returned = count;
    if (overlapped != nullptr) {
        // Completed at once, as a driver may: the status block carries the count.
        overlapped->Internal = 0;
        overlapped->InternalHigh = count;
        if (overlapped->hEvent != nullptr)
            ::SetEvent(overlapped->hEvent);
    }
    return TRUE;
}

DEVINST FakeDiscovery::NodeOf(const std::wstring& id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find(m_nodes.begin(), m_nodes.end(), id);
    if (it == m_nodes.end())
        it = m_nodes.insert(m_nodes.end(), id);
    return kFirstNode + static_cast<DEVINST>(it - m_nodes.begin());
}

bool FakeDiscovery::IdOf(DEVINST node, std::wstring& id) const {
    if (node >= kFirstNode) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (node - kFirstNode >= m_nodes.size())
            return false;
        id = m_nodes[node - kFirstNode];
        return true;
    }
    // A node of the setup library's own sets (a port found through the registry).
    const discovery::DiscoveryApi& system = discovery::SystemDiscovery();
    ULONG size = 0;
    if (system.CM_Get_Device_ID_Size(&size, node, 0) != CR_SUCCESS)
        return false;
    std::vector<wchar_t> buffer(size + 1, L'\0');
    if (system.CM_Get_Device_IDW(node, buffer.data(), size + 1, 0) != CR_SUCCESS)
        return false;
    id = buffer.data();
    return true;
}

void FakeDiscovery::AddChild(const std::wstring& parentId, const std::wstring& childId,
                             int presentAfterRescans) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_children[parentId].push_back(Child{childId, presentAfterRescans});
}

std::vector<std::wstring> FakeDiscovery::PresentChildren(const std::wstring& parentId) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::wstring> present;
    auto family = m_children.find(parentId);
    if (family == m_children.end())
        return present;
    const int rescans = static_cast<int>(m_rescans.size());
    for (const Child& child : family->second)
        if (child.presentAfter <= rescans)
            present.push_back(child.id);
    return present;
}

} // namespace discovery_testing
