// A channel's links to its children, in link order, with an index by interface. The first few
// links and the first interface live in the channel object itself, so that a channel with a
// handful of children answers a lookup without leaving its own memory.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "Orn_Types.h"

class Orn_Channel;

namespace orn_detail {
// The first N items in place, every item on the heap once there are more. For plain records.
template <class T, uint32_t N>
class InlineVector {
public:
    uint32_t size() const { return count; }
    T* data() { return onHeap ? spilled.data() : inlineItems; }
    const T* data() const { return onHeap ? spilled.data() : inlineItems; }
    T& operator[](uint32_t i) { return data()[i]; }
    const T& operator[](uint32_t i) const { return data()[i]; }

    void clear() {
        count = 0;
        onHeap = false;
        spilled.clear();
    }
    void push_back(const T& item) {
        if (!onHeap && count == N) {
            spilled.assign(inlineItems, inlineItems + N);
            onHeap = true;
        }
        if (onHeap) {
            spilled.push_back(item);
        } else {
            inlineItems[count] = item;
        }
        ++count;
    }

private:
    T inlineItems[N]{};
    std::vector<T> spilled;
    uint32_t count = 0;
    bool onHeap = false;
};
}  // namespace orn_detail

class OrnChildLinks {
public:
    // The index-th child linked through that interface (0 = first), or null. Inline: every
    // evaluation of every channel asks it.
    Orn_Channel* Find(const OrnGuid& interfaceGuid, int index) const {
        const Interface* through = interfaces.data();
        const uint32_t interfaceCount = interfaces.size();
        for (uint32_t slot = 0; slot < interfaceCount; ++slot) {
            if (!SameGuid(through[slot].guid, interfaceGuid)) continue;
            // A negative index, as unsigned, is beyond every count.
            if (static_cast<uint32_t>(index) >= through[slot].count) return nullptr;
            const Link* link = links.data();
            uint32_t position = through[slot].first;
            for (int i = 0; i < index; ++i)
                position = link[position].nextSame;
            return link[position].child;
        }
        return nullptr;
    }
    // The child at that position in link order, or null.
    Orn_Channel* At(int position) const;
    int Count() const { return static_cast<int>(links.size()); }
    // Inserts before `position`; a position outside 0..Count()-1 appends.
    void Insert(int position, Orn_Channel* child, const OrnGuid& interfaceGuid, int handle);
    // Removes every link with that handle.
    void RemoveHandle(int handle);

private:
    // Member by member, the compiler compares a GUID's eight-byte tail a byte at a time; as one
    // block of 16 bytes (OrnGuid has no padding) it takes two 64-bit compares.
    static bool SameGuid(const OrnGuid& a, const OrnGuid& b) {
        static_assert(sizeof(OrnGuid) == 16);
        return std::memcmp(&a, &b, sizeof(OrnGuid)) == 0;
    }

    static constexpr uint32_t kNone = UINT32_MAX;
    struct Link {
        Orn_Channel* child;
        int32_t handle;
        uint32_t interfaceSlot;  // position in `interfaces`
        uint32_t nextSame;       // position of the next link through the same interface, or kNone
    };
    struct Interface {
        OrnGuid guid;
        uint32_t count;  // links through it
        uint32_t first;  // positions of the first and the last of them
        uint32_t last;
    };
    struct Entry {
        Orn_Channel* child;
        OrnGuid interfaceGuid;
        int handle;
    };

    void Append(Orn_Channel* child, const OrnGuid& interfaceGuid, int handle);
    // Links in order with their interfaces, for the rare changes in the middle.
    std::vector<Entry> Entries() const;
    void Reset(const std::vector<Entry>& entries);

    orn_detail::InlineVector<Link, 3> links;
    orn_detail::InlineVector<Interface, 1> interfaces;
};
