// Operations on text children: length, search, parsing, comparison and first characters.
//
// Which getter is called, and when, is part of each operation's behaviour: a getter may make
// the host produce the text. Several operations test the narrow texts for null and then read
// the wide ones; a text pointer is only used within the evaluation that fetched it.
#include <cstring>
#include <string>

#include "Conversions.h"
#include "Operations.h"
#include "TextRoutines.h"

namespace {
namespace tr = text_routines;

// Two-child operations read both children wide when either reports wide text; child 1 is
// asked only when child 0 reports narrow text.
bool EitherIsWide(Kch_TextChannel& child0, Kch_TextChannel& child1) {
    return child0.IsWideText() || child1.IsWideText();
}

template <class Char>
const Char* TextOf(Kch_TextChannel& child);
template <>
const char* TextOf<char>(Kch_TextChannel& child) {
    return child.GetText();
}
template <>
const OrnWideChar* TextOf<OrnWideChar>(Kch_TextChannel& child) {
    return child.GetWideText();
}

// The searches 13, 14 and 24: child 0's text is the pattern, child 1's the text searched.
enum class Search { First, Last, Count };

// The search is a template argument so that each operation's copy is inlined without a test of it.
template <Search search, class Char>
float SearchTexts(const Char* pattern, const Char* text) {
    if constexpr (search == Search::First && sizeof(Char) == 1) {
        // The C library's search finds the same first occurrence in one pass, without
        // measuring both texts first. The offset is never negative, so converting it signed
        // gives the same float as unsigned, in one instruction.
        const char* at = std::strstr(text, pattern);
        return at == nullptr ? -1.0f : static_cast<float>(at - text);
    } else {
        const size_t m = tr::Length(pattern);
        const size_t n = tr::Length(text);
        if constexpr (search == Search::First) {
            const size_t at = tr::FindFirst(text, n, pattern, m);
            return at == tr::kNotFound ? -1.0f : static_cast<float>(at);
        } else if constexpr (search == Search::Last) {
            // No occurrence gives 0.0, the same as a last occurrence at the start.
            const size_t at = tr::FindLast(text, n, pattern, m);
            return at == tr::kNotFound ? 0.0f : static_cast<float>(at);
        } else {
            return static_cast<float>(tr::CountOccurrences(text, n, pattern, m));
        }
    }
}

// TextFind and TextFindLast.
template <Search search>
float Find(Evaluation eval) {
    const float none = search == Search::First ? -1.0f : 0.0f;
    Kch_TextChannel* child0 = eval.TextChild(0);
    Kch_TextChannel* child1 = eval.TextChild(1);
    if (child0 == nullptr || child1 == nullptr) return none;
    // The null test uses the narrow getter whatever width the children hold.
    const char* narrow0 = child0->GetText();
    const char* narrow1 = child1->GetText();
    if (narrow0 == nullptr || narrow1 == nullptr) return none;
    if (EitherIsWide(*child0, *child1)) {
        const OrnWideChar* wide0 = child0->GetWideText();
        const OrnWideChar* wide1 = child1->GetWideText();
        if (wide0 == nullptr || wide1 == nullptr) return none;
        return SearchTexts<search>(wide0, wide1);
    }
    return SearchTexts<search>(narrow0, narrow1);
}

// TextToInteger and TextToFloat: one child, read with the width it reports, after a null test
// of its narrow text.
template <class Read>
float ReadNumber(Evaluation& eval, Read read) {
    Kch_TextChannel* child0 = eval.TextChild(0);
    if (child0 == nullptr) return 0.0f;
    const char* narrow = child0->GetText();
    if (narrow == nullptr) return 0.0f;
    if (child0->IsWideText()) {
        const OrnWideChar* wide = child0->GetWideText();
        return wide == nullptr ? 0.0f : read(wide);
    }
    return read(narrow);
}

template <class Char>
float EqualIgnoringCase(Kch_TextChannel& child0, Kch_TextChannel& child1) {
    const Char* a = TextOf<Char>(child0);
    const Char* b = TextOf<Char>(child1);
    if (a == nullptr) return b == nullptr ? 1.0f : 0.0f;
    if (b == nullptr) return 0.0f;
    // The first character must match exactly; case is ignored only after it.
    if (tr::CodeUnit(a[0]) != tr::CodeUnit(b[0])) return 0.0f;
    return tr::EqualIgnoringAsciiCase(a, b) ? 1.0f : 0.0f;
}

// TextFirstCharCode and TextFirstCharStored read the narrow text whatever width the child
// holds; IsWideText is not asked.
const char* FirstNarrowText(Evaluation& eval) {
    Kch_TextChannel* child0 = eval.TextChild(0);
    return child0 == nullptr ? nullptr : child0->GetText();
}
}  // namespace

float operations::TextLength(Evaluation eval) {
    Kch_TextChannel* child0 = eval.TextChild(0);
    if (child0 == nullptr) return 0.0f;
    if (child0->IsWideText()) {
        const OrnWideChar* wide = child0->GetWideText();
        return wide == nullptr ? 0.0f : static_cast<float>(static_cast<uint64_t>(tr::Length(wide)));
    }
    const char* narrow = child0->GetText();
    return narrow == nullptr ? 0.0f : static_cast<float>(static_cast<uint64_t>(tr::Length(narrow)));
}

float operations::TextFind(Evaluation eval) {
    return Find<Search::First>(eval);
}
float operations::TextFindLast(Evaluation eval) {
    return Find<Search::Last>(eval);
}

// The cache holds while both children keep the time stamps they had when last counted, and
// it answers with currentValue, which holds that count only while nothing else has written
// it. An early 0.0 is stored there too, so every early way out forgets the stamps (0 is a
// stamp the engine never hands out): texts that come back unchanged are counted again rather
// than answered with a stale 0.0.
float operations::TextCount(Evaluation eval) {
    const auto forget = [&] {
        eval.stampA() = 0;
        eval.stampB() = 0;
        return 0.0f;
    };
    Kch_TextChannel* child0 = eval.TextChild(0);
    Kch_TextChannel* child1 = eval.TextChild(1);
    if (child0 == nullptr || child1 == nullptr) return forget();
    const char* narrow0 = child0->GetText();
    const char* narrow1 = child1->GetText();
    if (narrow0 == nullptr || narrow1 == nullptr) return forget();

    const uint32_t stamp0 = child0->GetTimeStamp();
    const uint32_t stamp1 = child1->GetTimeStamp();
    if (stamp0 == eval.stampA() && stamp1 == eval.stampB()) return eval.currentValue();

    float count;
    if (EitherIsWide(*child0, *child1)) {
        const OrnWideChar* wide0 = child0->GetWideText();
        const OrnWideChar* wide1 = child1->GetWideText();
        if (wide0 == nullptr || wide1 == nullptr) return forget();
        count = SearchTexts<Search::Count>(wide0, wide1);
    } else {
        count = SearchTexts<Search::Count>(narrow0, narrow1);
    }
    eval.stampA() = stamp0;
    eval.stampB() = stamp1;
    eval.currentValue() = count;
    return count;
}

float operations::TextToInteger(Evaluation eval) {
    return ReadNumber(
        eval, [](const auto* text) { return static_cast<float>(tr::ReadDecimalInt32(text)); });
}

float operations::TextToFloat(Evaluation eval) {
    return ReadNumber(eval,
                      [](const auto* text) { return tr::RoundToFloat(tr::ReadDouble(text)); });
}

float operations::TextEqualsIgnoreCase(Evaluation eval) {
    Kch_TextChannel* child0 = eval.TextChild(0);
    Kch_TextChannel* child1 = eval.TextChild(1);
    if (child0 == nullptr || child1 == nullptr) return 0.0f;
    if (EitherIsWide(*child0, *child1)) return EqualIgnoringCase<OrnWideChar>(*child0, *child1);
    return EqualIgnoringCase<char>(*child0, *child1);
}

float operations::TextFirstCharCode(Evaluation eval) {
    const char* text = FirstNarrowText(eval);
    return text == nullptr ? 0.0f : static_cast<float>(tr::CodeUnit(text[0]));
}

float operations::TextFirstCharStored(Evaluation eval) {
    const char* text = FirstNarrowText(eval);
    if (text == nullptr) return 0.0f;
    // A first byte of 0x80 or above reads as a signed 8-bit value (0xE9 gives -23.0), as scenes
    // made with this operation have always seen it, on every platform whatever the signedness
    // of char. TextFirstCharCode gives the same byte as 0 to 255.
    const auto code = static_cast<int8_t>(static_cast<uint8_t>(tr::CodeUnit(text[0])));
    eval.currentValue() = static_cast<float>(code);
    return eval.currentValue();
}

float operations::HexTextToFloatChild(Evaluation eval) {
    Kch_TextChannel* text = eval.TextChild(0);
    Kch_FloatChannel* target = eval.FloatChild(0);
    if (text == nullptr || target == nullptr) return 0.0f;
    const char* narrow = text->GetText();
    if (narrow == nullptr) return 0.0f;
    const uint32_t lowByte = static_cast<uint32_t>(tr::ReadHexInt32(narrow)) & 0xFFu;
    target->SetFloat(static_cast<float>(lowByte));
    return 0.0f;
}

float operations::FloatCodeToTextChild(Evaluation eval) {
    Kch_TextChannel* target = eval.TextChild(0);
    Kch_FloatChannel* source = eval.FloatChild(0);
    if (target == nullptr || source == nullptr) return 0.0f;
    const int32_t code = TruncateToInt32(source->GetFloat());
    // A code whose low byte is 0 gives the empty text.
    const char text[2] = {
        static_cast<char>(static_cast<uint8_t>(static_cast<uint32_t>(code) & 0xFFu)), '\0'};
    target->SetText(text);
    return 0.0f;
}

float operations::TextCompare(Evaluation eval) {
    Kch_TextChannel* child0 = eval.TextChild(0);
    Kch_TextChannel* child1 = eval.TextChild(1);
    if (child0 == nullptr || child1 == nullptr) return 0.0f;
    const OrnWideChar* wide0 = child0->GetWideText();
    if (wide0 == nullptr) return 0.0f;
    const OrnWideChar* wide1 = child1->GetWideText();
    if (wide1 == nullptr) return 0.0f;
    // The operation compares copies of its own; exhausted memory here leaves as bad_alloc,
    // and the strings release whatever was already copied.
    const OrnWideString first(wide0);
    const OrnWideString second(wide1);
    return static_cast<float>(
        tr::CompareOrdinal(first.data(), first.size(), second.data(), second.size()));
}
