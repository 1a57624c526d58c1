#include "Orn_ChildLinks.h"

#include <algorithm>
#include <cstring>

namespace {
// Every evaluation of every channel looks its children up by GUID, so this compare is hot.
// Member by member, the compiler compares the eight-byte tail a byte at a time; as one block
// of 16 bytes (OrnGuid has no padding) it takes two 64-bit compares.
static_assert(sizeof(OrnGuid) == 16);
bool SameGuid(const OrnGuid& a, const OrnGuid& b) {
    return std::memcmp(&a, &b, sizeof(OrnGuid)) == 0;
}
}  // namespace

Orn_Channel* OrnChildLinks::Find(const OrnGuid& interfaceGuid, int index) const {
    if (index < 0) return nullptr;
    for (uint32_t slot = 0; slot < interfaces.size(); ++slot) {
        const Interface& through = interfaces[slot];
        if (!SameGuid(through.guid, interfaceGuid)) continue;
        if (static_cast<uint32_t>(index) >= through.count) return nullptr;
        uint32_t position = through.first;
        for (int i = 0; i < index; ++i)
            position = links[position].nextSame;
        return links[position].child;
    }
    return nullptr;
}

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
