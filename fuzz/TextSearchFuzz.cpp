// Two arbitrary texts through the text operations of real channels, each result checked against
// a plain walk written here from the operations' definitions: quadratic, obvious, and sharing
// nothing with the channel's own search.
//
// Input: a flags byte, two bytes that split the rest, then the bytes of the two texts.
//   flags bit 0, 1: child 0, child 1 holds wide text (pairs of bytes as 16-bit units)
//   flags bit 2, 3: the alphabet the bytes are mapped onto: raw, 'a'/'b', four letters, or two
//                   units that share a slot of the search's skip table
//   flags bit 4, 5: child 0, child 1 holds no text at all
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "Kch_Quantifier.h"
#include "Kch_TextChannel.h"
#include "OperationTable.h"
#include "Orn_Engine.h"

namespace {

// Units of a text up to its terminating NUL, as unsigned values.
template <class Char>
std::vector<uint32_t> UnitsOf(const Char* text) {
    std::vector<uint32_t> units;
    for (; *text != 0; ++text)
        units.push_back(static_cast<uint32_t>(static_cast<std::make_unsigned_t<Char>>(*text)));
    return units;
}

using Units = std::vector<uint32_t>;
constexpr size_t kNone = static_cast<size_t>(-1);

// The first occurrence of p in t at or after `from`; the empty pattern is found at `from`, also
// at the terminating NUL.
size_t SearchFrom(const Units& t, const Units& p, size_t from) {
    for (size_t i = from; i + p.size() <= t.size(); ++i) {
        if (std::equal(p.begin(), p.end(), t.begin() + static_cast<ptrdiff_t>(i))) return i;
    }
    return kNone;
}

float Find(const Units& p, const Units& t) {
    const size_t at = SearchFrom(t, p, 0);
    return at == kNone ? -1.0f : static_cast<float>(at);
}

// Occurrence after occurrence, each search one past the start of the last, until none is left
// or the last lies at or past the end.
float FindLast(const Units& p, const Units& t) {
    size_t at = SearchFrom(t, p, 0);
    if (at == kNone) return 0.0f;
    for (;;) {
        if (at >= t.size()) break;
        const size_t next = SearchFrom(t, p, at + 1);
        if (next == kNone) break;
        at = next;
    }
    return static_cast<float>(at);
}

float Count(const Units& p, const Units& t) {
    if (t.empty()) return 0.0f;
    int count = 0;
    size_t from = 0;
    for (;;) {
        const size_t at = SearchFrom(t, p, from);
        if (at == kNone) break;
        ++count;
        from = at + 1;
        if (from >= t.size()) break;
    }
    return static_cast<float>(count);
}

uint32_t Fold(uint32_t c) {
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

// The first unit exactly, the rest with A-Z and a-z taken as equal.
float EqualIgnoringCase(const Units& a, const Units& b) {
    if (a.size() != b.size()) return 0.0f;
    if (!a.empty() && a[0] != b[0]) return 0.0f;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i])) return 0.0f;
    }
    return 1.0f;
}

float Compare(const Units& a, const Units& b) {
    if (a < b) return -1.0f;  // lexicographic on unsigned units, a prefix first
    if (b < a) return 1.0f;
    return 0.0f;
}

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "text search fuzz: %s disagrees with the plain walk\n", what);
        std::abort();
    }
}

bool SameFloat(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

uint16_t MapUnit(uint16_t raw, int alphabet, bool wide) {
    switch (alphabet) {
        case 1:
            return static_cast<uint16_t>('a' + (raw & 1));
        case 2:
            return static_cast<uint16_t>('a' + (raw & 3));
        case 3:
            // 'A' and 'a' differ by 32, wide 'a' and U+0461 by 1024: either pair hashes alike
            // in the skip table.
            if (wide) return (raw & 1) != 0 ? 0x0461 : 'a';
            return (raw & 1) != 0 ? 'A' : 'a';
        default:
            return raw;
    }
}

std::unique_ptr<Kch_TextChannel> MakeText(const uint8_t* bytes, size_t size, bool wide, bool none,
                                          int alphabet) {
    auto channel = std::make_unique<Kch_TextChannel>();
    if (none) return channel;
    if (wide) {
        std::u16string units;
        for (size_t i = 0; i + 1 < size; i += 2) {
            uint16_t unit;
            std::memcpy(&unit, bytes + i, sizeof unit);
            units += static_cast<char16_t>(MapUnit(unit, alphabet, true));
        }
        channel->SetWideText(units);
    } else {
        std::string text;
        for (size_t i = 0; i < size; ++i)
            text += static_cast<char>(MapUnit(bytes[i], alphabet, false));
        channel->SetNarrowText(text);
    }
    return channel;
}

float Evaluate(OperationId op, Kch_TextChannel& child0, Kch_TextChannel* child1) {
    Kch_Quantifier quantifier;
    quantifier.SetOperationType(static_cast<int>(op));
    quantifier.SetChild(&child0, -1, 0);
    if (child1 != nullptr) quantifier.SetChild(child1, -1, 0);
    globalEngine->BeginRender();
    const float first = quantifier.GetFloat();
    // A second render with nothing changed: the count comes from its cache, the rest anew;
    // either way the same value.
    globalEngine->BeginRender();
    Check(SameFloat(first, quantifier.GetFloat()), "a second render");
    return first;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const uint8_t flags = data[0];
    const size_t rest = size - 3;
    const size_t split =
        (static_cast<size_t>(data[1]) | static_cast<size_t>(data[2]) << 8) % (rest + 1);
    const uint8_t* bytes = data + 3;
    const int alphabet = (flags >> 2) & 3;
    auto first = MakeText(bytes, split, (flags & 1) != 0, (flags & 16) != 0, alphabet);
    auto second =
        MakeText(bytes + split, rest - split, (flags & 2) != 0, (flags & 32) != 0, alphabet);

    // The texts as the operations read them: both wide when either child holds wide text. A
    // child without text gives null from both getters.
    const bool wide = first->IsWideText() || second->IsWideText();
    const bool null0 = first->GetText() == nullptr, null1 = second->GetText() == nullptr;
    const auto read = [wide](Kch_TextChannel& child) {
        return wide ? UnitsOf(child.GetWideText()) : UnitsOf(child.GetText());
    };
    const Units p = null0 ? Units{} : read(*first);
    const Units t = null1 ? Units{} : read(*second);
    const bool anyNull = null0 || null1;

    using O = OperationId;
    Check(SameFloat(Evaluate(O::TextFind, *first, second.get()), anyNull ? -1.0f : Find(p, t)),
          "TextFind");
    Check(
        SameFloat(Evaluate(O::TextFindLast, *first, second.get()), anyNull ? 0.0f : FindLast(p, t)),
        "TextFindLast");
    Check(SameFloat(Evaluate(O::TextCount, *first, second.get()), anyNull ? 0.0f : Count(p, t)),
          "TextCount");
    const float equal = null0 ? (null1 ? 1.0f : 0.0f) : null1 ? 0.0f : EqualIgnoringCase(p, t);
    Check(SameFloat(Evaluate(O::TextEqualsIgnoreCase, *first, second.get()), equal),
          "TextEqualsIgnoreCase");
    // Always the wide texts.
    const float order =
        anyNull ? 0.0f : Compare(UnitsOf(first->GetWideText()), UnitsOf(second->GetWideText()));
    Check(SameFloat(Evaluate(O::TextCompare, *first, second.get()), order), "TextCompare");
    // One child: its own width.
    const float length = null0 ? 0.0f
                         : first->IsWideText()
                             ? static_cast<float>(UnitsOf(first->GetWideText()).size())
                             : static_cast<float>(UnitsOf(first->GetText()).size());
    Check(SameFloat(Evaluate(O::TextLength, *first, nullptr), length), "TextLength");
    return 0;
}
