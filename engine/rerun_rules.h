// What a repeated silent install finds on the machine: the queue it takes over and how the
// installed product's version stands to its own. No Windows calls.
#pragma once

#include <string>
#include <vector>

namespace engine {

// A local queue as the spooler lists it.
struct QueueListing {
    std::wstring name;
    std::wstring driver;
    std::wstring port;
};

// The index of the queue a repeated install of `model` on `port` takes over: one whose driver is
// the model's (the model's printer name, or a copy's) and whose port is `port`, both without
// regard to the case of ASCII letters; a queue on the model's own driver name before a copy's,
// else the first listed. The queue's own name does not count: users rename queues. -1 when none.
int QueueToReuse(const std::vector<QueueListing>& queues, const std::wstring& model,
                 const std::wstring& port);

// How an installed product's version stands to this installer's.
enum class VersionOrder {
    Older,   // the installed one is older: an upgrade
    Same,    // a repeated install
    Newer,   // the installed one is newer: a downgrade, refused
    Unknown, // no version, or not one of up to four dot-separated numbers: treated as older
};

// Versions such as "1.0.0.1": up to four numbers of up to five digits; missing parts count 0.
VersionOrder InstalledVersionOrder(const std::wstring& installed, const std::wstring& running);

} // namespace engine
