#include "Orn_ChildLinks.h"

#include <algorithm>

Orn_Channel* OrnChildLinks::At(int position) const {
    if (position < 0 || position >= Count()) return nullptr;
    return links[static_cast<uint32_t>(position)].child;
}

void OrnChildLinks::Insert(int position, Orn_Channel* child, const OrnGuid& interfaceGuid,
                           int handle) {
    if (position < 0 || position >= Count()) {
        Append(child, interfaceGuid, handle);
        return;
    }
    std::vector<Entry> entries = Entries();
    entries.insert(entries.begin() + position, Entry{child, interfaceGuid, handle});
    Reset(entries);
}

void OrnChildLinks::RemoveHandle(int handle) {
    std::vector<Entry> entries = Entries();
    if (std::erase_if(entries, [handle](const Entry& e) { return e.handle == handle; }) == 0)
        return;
    Reset(entries);
}

void OrnChildLinks::Append(Orn_Channel* child, const OrnGuid& interfaceGuid, int handle) {
    uint32_t slot = 0;
    while (slot < interfaces.size() && !SameGuid(interfaces[slot].guid, interfaceGuid))
        ++slot;
    if (slot == interfaces.size()) interfaces.push_back(Interface{interfaceGuid, 0, 0, 0});
    const uint32_t position = links.size();
    links.push_back(Link{child, handle, slot, kNone});
    Interface& through = interfaces[slot];
    if (through.count == 0) {
        through.first = position;
    } else {
        links[through.last].nextSame = position;
    }
    through.last = position;
    ++through.count;
}

std::vector<OrnChildLinks::Entry> OrnChildLinks::Entries() const {
    std::vector<Entry> entries;
    entries.reserve(links.size());
    for (uint32_t i = 0; i < links.size(); ++i) {
        const Link& link = links[i];
        entries.push_back(Entry{link.child, interfaces[link.interfaceSlot].guid, link.handle});
    }
    return entries;
}

void OrnChildLinks::Reset(const std::vector<Entry>& entries) {
    links.clear();
    interfaces.clear();
    for (const Entry& e : entries)
        Append(e.child, e.interfaceGuid, e.handle);
}
