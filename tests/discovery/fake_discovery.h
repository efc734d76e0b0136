// Replaces the discovery's platform entries for one test: printers that answer the ID request
// (through a pipe, so that the caller's wait, time-out and cancellation run for real), a device
// tree below the ports, and refused device information sets. Entries not told otherwise behave
// as the system's.
#pragma once

#include "discovery/discovery_api.h"

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace discovery_testing {

enum class Reply {
    Now,   // the answer is ready when the request is made
    Late,  // it comes a moment after the request, well within the caller's time-out
    Never, // the printer never answers
};

struct OpenCall {
    std::wstring path;
    DWORD access;
    DWORD share;
    DWORD flags;
};

struct RequestCall {
    DWORD code;
    DWORD outputBytes;
    bool overlapped;
};

class FakeDiscovery {
public:
    FakeDiscovery();
    ~FakeDiscovery();
    FakeDiscovery(const FakeDiscovery&) = delete;
    FakeDiscovery& operator=(const FakeDiscovery&) = delete;

    // SetupDiGetClassDevsW fails with this error.
    void RefuseDeviceInfoSets(DWORD error) { m_refuseSets = error; }

    // Opening a printer fails with this error (by default every open succeeds).
    void RefuseOpen(DWORD error) { m_refuseOpen = error; }
    // The bytes a printer answers the ID request with, and when.
    void Answer(const std::string& bytes, Reply reply = Reply::Now);
    // The ID request fails with this error.
    void RefuseRequest(DWORD error) { m_refuseRequest = error; }
    // An answer completed at once that reports this byte count, whatever it wrote.
    void ClaimReceived(DWORD count) { m_claimedCount = count; }

    std::vector<OpenCall> Opens() const;
    std::vector<RequestCall> Requests() const;
    // True when every printer handle given out has been closed again.
    bool PrintersClosed() const;

    // A child device node below the node with parentId, listed after the earlier ones; present
    // from the given re-enumeration on (0: from the start).
    void AddChild(const std::wstring& parentId, const std::wstring& childId,
                  int presentAfterRescans = 0);
    // The node's instance ID cannot be read.
    void HideId(const std::wstring& id) { m_hiddenIds.push_back(id); }
    void FailLocate(CONFIGRET code) { m_locateResult = code; }
    void FailReenumerate(CONFIGRET code) { m_reenumerateResult = code; }
    // Every node's next sibling is the node itself: a broken tree.
    void LoopSiblings() { m_loopSiblings = true; }
    // Instance IDs of the nodes re-enumerated, in order.
    std::vector<std::wstring> Rescans() const;

private:
    struct Child {
        std::wstring id;
        int presentAfter;
    };
    friend struct FakeEntries;

    HANDLE OpenPrinter(const OpenCall& call);
    BOOL Request(HANDLE device, DWORD code, void* out, DWORD outBytes, DWORD* returned,
                 OVERLAPPED* overlapped);
    DEVINST NodeOf(const std::wstring& id);
    bool IdOf(DEVINST node, std::wstring& id) const;
    std::vector<std::wstring> PresentChildren(const std::wstring& parentId) const;

    discovery::DiscoveryApi m_api;
    mutable std::mutex m_mutex;

    DWORD m_refuseSets = 0;
    DWORD m_refuseOpen = 0;
    DWORD m_refuseRequest = 0;
    DWORD m_claimedCount = 0;
    std::string m_answer;
    Reply m_reply = Reply::Now;
    std::vector<OpenCall> m_opens;
    std::vector<RequestCall> m_requests;
    std::vector<HANDLE> m_printerEnds; // our ends of the pipes handed out as printers
    std::vector<std::thread> m_lateWriters;

    std::map<std::wstring, std::vector<Child>> m_children;
    std::vector<std::wstring> m_nodes; // fake device nodes, numbered from kFirstNode
    std::vector<std::wstring> m_hiddenIds;
    std::vector<std::wstring> m_rescans;
    CONFIGRET m_locateResult = CR_SUCCESS;
    CONFIGRET m_reenumerateResult = CR_SUCCESS;
    bool m_loopSiblings = false;
};

} // namespace discovery_testing
