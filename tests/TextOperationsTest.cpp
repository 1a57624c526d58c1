// The text operations through the channel: results for narrow and wide children, the getters
// each operation calls and in which order, the TextCount cache, the two writing operations and
// independence from the process locale. Memory exhaustion in TextCompare is tested where one
// operator new serves the whole process (posix/TextMemoryPosixTest.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "Orn_Guids.h"
#include "support/InstrumentedChannel.h"
#include "support/QuantifierTestSupport.h"

namespace {
using O = OperationId;

enum class Width { Narrow, Wide };
constexpr Width kWidths[] = {Width::Narrow, Width::Wide};

const char* NameOf(Width width) {
    return width == Width::Narrow ? "narrow" : "wide";
}

std::string OperationName(O op) {
    return std::string(FindOperation(static_cast<int>(op))->name);
}

bool IsAscii(const std::string& bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Each byte as one 16-bit unit: the wide text of the same characters for ASCII, and Latin-1
// characters for bytes above 127.
std::u16string Units(const std::string& bytes) {
    std::u16string units;
    for (char c : bytes)
        units += static_cast<char16_t>(static_cast<unsigned char>(c));
    return units;
}

// A text child whose calls of the text interface and of GetTimeStamp are logged, and whose
// getters can each be made to answer null (its entry in `nulls`).
using ScriptedText = Instrumented<Kch_TextChannel>;
struct Nulls {
    bool narrow = false;
    bool wide = false;
};

std::string Joined(const std::vector<std::string>& calls) {
    std::string text;
    for (const std::string& call : calls)
        text += (text.empty() ? "" : " ") + call;
    return text;
}

size_t CountOf(const std::vector<std::string>& calls, const std::string& call) {
    return static_cast<size_t>(std::count(calls.begin(), calls.end(), call));
}

class TextOperations : public QuantifierTest {
protected:
    Kch_TextChannel& AddAs(Width width, Orn_Channel& parent, const std::string& bytes) {
        return width == Width::Narrow ? AddText(parent, bytes) : AddWideText(parent, Units(bytes));
    }
    std::map<const Orn_Channel*, Nulls> nulls;  // a node never moves
    // Named by its index among the parent's text children.
    ScriptedText& AddScripted(Orn_Channel& parent, Width width, const std::string& bytes) {
        int index = 0;
        while (parent.GetChildFromLinkGuid(orn_guid::kTextInterface, index) != nullptr)
            ++index;
        auto& child = Adopt(parent, std::make_unique<ScriptedText>());
        child.hook = [logged = LogCalls(log, std::to_string(index)),
                      &answer = nulls[&child]](std::string_view call) -> ChannelAnswer {
            logged(call);
            if (call == "GetText" && answer.narrow) return static_cast<const char*>(nullptr);
            if (call == "GetWideText" && answer.wide)
                return static_cast<const OrnWideChar*>(nullptr);
            return {};
        };
        if (width == Width::Narrow) {
            child.SetNarrowText(bytes);
        } else {
            child.SetWideText(Units(bytes));
        }
        return child;
    }
    // Result of one operation on one or two texts of the given widths.
    float Run(O op, Width width0, const std::string& text0) {
        Kch_Quantifier& q = NewQuantifier(op);
        AddAs(width0, q, text0);
        return Evaluate(q);
    }
    float Run(O op, Width width0, const std::string& text0, Width width1,
              const std::string& text1) {
        Kch_Quantifier& q = NewQuantifier(op);
        AddAs(width0, q, text0);
        AddAs(width1, q, text1);
        return Evaluate(q);
    }

    std::vector<std::string> log;
};

std::string Trace(Width width, const std::string& text) {
    return std::string(NameOf(width)) + " '" + text + "'";
}

TEST_F(TextOperations, OneTextOperationsOnNarrowAndWideText) {
    struct Case {
        O op;
        std::string text;
        float narrow;
        float wide;
    };
    constexpr float kInf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {O::TextLength, "", 0.0f, 0.0f},
        {O::TextLength, "abc", 3.0f, 3.0f},
        {O::TextLength, "caf\xE9!", 5.0f, 5.0f},
        {O::TextToInteger, "42abc", 42.0f, 42.0f},
        {O::TextToInteger, "  -7", -7.0f, -7.0f},
        {O::TextToInteger, "3.9", 3.0f, 3.0f},
        {O::TextToInteger, "abc", 0.0f, 0.0f},
        {O::TextToInteger, "", 0.0f, 0.0f},
        {O::TextToInteger, "99999999999", 2147483648.0f, 2147483648.0f},
        {O::TextToInteger, "-99999999999", -2147483648.0f, -2147483648.0f},
        {O::TextToInteger, "16777217", 16777216.0f, 16777216.0f},  // nearest float
        {O::TextToInteger,
         "\xE9"
         "5",
         0.0f, 0.0f},  // non-ASCII is no space
        {O::TextToFloat, "3.25", 3.25f, 3.25f},
        {O::TextToFloat, "1e3", 1000.0f, 1000.0f},
        {O::TextToFloat, "-.5x", -0.5f, -0.5f},
        {O::TextToFloat, "abc", 0.0f, 0.0f},
        {O::TextToFloat, "0.1", 0.1f, 0.1f},  // one rounding from the text, through double
        {O::TextToFloat, "0x1.8p1", 3.0f, 3.0f},
        {O::TextToFloat, " +Infinity", kInf, kInf},
        {O::TextToFloat, "1e39", kInf, kInf},
        {O::TextToFloat, "-1e39", -kInf, -kInf},
        {O::TextToFloat, "1e-50", 0.0f, 0.0f},
        {O::TextToFloat, "-0", -0.0f, -0.0f},
        {O::TextToFloat, "1,5", 1.0f, 1.0f},
        {O::TextToFloat, "2\xB2", 2.0f, 2.0f},  // a unit beyond ASCII ends the number
        {O::TextFirstCharCode, "A", 65.0f, 65.0f},
        {O::TextFirstCharCode, "", 0.0f, 0.0f},
        {O::TextFirstCharStored, "A", 65.0f, 65.0f},
        {O::TextFirstCharStored, "", 0.0f, 0.0f},
        // Both read the narrow text whatever the child holds; a wide U+00E9 reads as its
        // first UTF-8 byte 0xC3.
        {O::TextFirstCharCode, "\xE9", 233.0f, 195.0f},
        {O::TextFirstCharCode, "\x80", 128.0f, 194.0f},
        {O::TextFirstCharStored, "\x7F", 127.0f, 127.0f},
        {O::TextFirstCharStored, "\xE9", -23.0f, -61.0f},
        {O::TextFirstCharStored, "\x80", -128.0f, -62.0f},
        {O::TextFirstCharStored, "\xFF", -1.0f, -61.0f},
    };
    for (const Case& c : cases) {
        for (Width width : kWidths) {
            SCOPED_TRACE(std::string(OperationName(c.op)) + " of " + Trace(width, c.text));
            EXPECT_TRUE(
                SameBits(width == Width::Narrow ? c.narrow : c.wide, Run(c.op, width, c.text)));
        }
    }
    EXPECT_TRUE(std::isnan(Run(O::TextToFloat, Width::Narrow, "nan(1)")));
    EXPECT_TRUE(std::isnan(Run(O::TextToFloat, Width::Wide, "-NAN")));
}

TEST_F(TextOperations, SearchesOnEveryCombinationOfWidths) {
    struct Case {
        std::string pattern, text;
        float find, last, count;
    };
    const Case cases[] = {
        {"lo", "hello", 3.0f, 3.0f, 1.0f},      {"xyz", "hello", -1.0f, 0.0f, 0.0f},
        {"", "hello", 0.0f, 5.0f, 5.0f},        {"", "", 0.0f, 0.0f, 0.0f},
        {"a", "", -1.0f, 0.0f, 0.0f},           {"a", "banana", 1.0f, 5.0f, 3.0f},
        {"ana", "banana", 1.0f, 3.0f, 2.0f},    {"b", "banana", 0.0f, 0.0f, 1.0f},
        {"x", "banana", -1.0f, 0.0f, 0.0f},     {"aa", "aaaa", 0.0f, 2.0f, 3.0f},
        {"banana", "banana", 0.0f, 0.0f, 1.0f}, {"bananas", "banana", -1.0f, 0.0f, 0.0f},
        {"AB", "abAB", 2.0f, 2.0f, 1.0f},  // exact, case counts
    };
    constexpr std::pair<Width, Width> kPairs[] = {{Width::Narrow, Width::Narrow},
                                                  {Width::Wide, Width::Wide},
                                                  {Width::Narrow, Width::Wide},
                                                  {Width::Wide, Width::Narrow}};
    for (const Case& c : cases) {
        for (auto [width0, width1] : kPairs) {
            SCOPED_TRACE(Trace(width0, c.pattern) + " in " + Trace(width1, c.text));
            EXPECT_TRUE(SameBits(c.find, Run(O::TextFind, width0, c.pattern, width1, c.text)));
            EXPECT_TRUE(SameBits(c.last, Run(O::TextFindLast, width0, c.pattern, width1, c.text)));
            EXPECT_TRUE(SameBits(c.count, Run(O::TextCount, width0, c.pattern, width1, c.text)));
        }
    }
}

TEST_F(TextOperations, GettersAreCalledInTheDocumentedOrder) {
    constexpr Width N = Width::Narrow, W = Width::Wide;
    struct Case {
        O op;
        Width width0, width1;
        const char* calls;
    };
    const Case cases[] = {
        {O::TextLength, N, N, "0.IsWideText 0.GetText"},
        {O::TextLength, W, N, "0.IsWideText 0.GetWideText"},
        {O::TextFind, N, N, "0.GetText 1.GetText 0.IsWideText 1.IsWideText"},
        {O::TextFind, N, W,
         "0.GetText 1.GetText 0.IsWideText 1.IsWideText 0.GetWideText 1.GetWideText"},
        {O::TextFind, W, N, "0.GetText 1.GetText 0.IsWideText 0.GetWideText 1.GetWideText"},
        {O::TextFindLast, N, N, "0.GetText 1.GetText 0.IsWideText 1.IsWideText"},
        {O::TextFindLast, W, W, "0.GetText 1.GetText 0.IsWideText 0.GetWideText 1.GetWideText"},
        {O::TextCount, N, N,
         "0.GetText 1.GetText 0.GetTimeStamp 1.GetTimeStamp 0.IsWideText 1.IsWideText"},
        {O::TextCount, N, W,
         "0.GetText 1.GetText 0.GetTimeStamp 1.GetTimeStamp 0.IsWideText 1.IsWideText "
         "0.GetWideText "
         "1.GetWideText"},
        {O::TextToInteger, N, N, "0.GetText 0.IsWideText"},
        {O::TextToInteger, W, N, "0.GetText 0.IsWideText 0.GetWideText"},
        {O::TextToFloat, N, N, "0.GetText 0.IsWideText"},
        {O::TextToFloat, W, N, "0.GetText 0.IsWideText 0.GetWideText"},
        {O::TextEqualsIgnoreCase, N, N, "0.IsWideText 1.IsWideText 0.GetText 1.GetText"},
        {O::TextEqualsIgnoreCase, N, W, "0.IsWideText 1.IsWideText 0.GetWideText 1.GetWideText"},
        {O::TextEqualsIgnoreCase, W, N, "0.IsWideText 0.GetWideText 1.GetWideText"},
        {O::TextFirstCharCode, W, N, "0.GetText"},
        {O::TextFirstCharStored, W, N, "0.GetText"},
        {O::TextCompare, N, N, "0.GetWideText 1.GetWideText"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(OperationName(c.op)) + " " + NameOf(c.width0) + " " +
                     NameOf(c.width1));
        Kch_Quantifier& q = NewQuantifier(c.op);
        AddScripted(q, c.width0, "ab");
        if (FindOperation(static_cast<int>(c.op))->children.size() == 2) {
            AddScripted(q, c.width1, "b");
        }
        log.clear();
        Evaluate(q);
        EXPECT_EQ(Joined(log), c.calls);
    }

    // The writing operations: one call on the text child.
    for (O op : {O::HexTextToFloatChild, O::FloatCodeToTextChild}) {
        SCOPED_TRACE(OperationName(op));
        Kch_Quantifier& q = NewQuantifier(op);
        AddFloat(q, 66.0f);
        AddScripted(q, Width::Wide, "41");
        log.clear();
        Evaluate(q);
        EXPECT_EQ(Joined(log), op == O::HexTextToFloatChild ? "0.GetText" : "0.SetText");
    }
}

TEST_F(TextOperations, MissingChildrenAndNullTextsGiveTheNeutralResult) {
    enum class Setup { MissingChild1, NullNarrow0, NullNarrow1, NullWide0, NullWide1 };
    struct Case {
        O op;
        Setup setup;
        float expected;
    };
    const Case cases[] = {
        {O::TextFind, Setup::MissingChild1, -1.0f},
        {O::TextFind, Setup::NullNarrow0, -1.0f},
        {O::TextFind, Setup::NullNarrow1, -1.0f},
        {O::TextFind, Setup::NullWide0, -1.0f},
        {O::TextFind, Setup::NullWide1, -1.0f},
        {O::TextFindLast, Setup::MissingChild1, 0.0f},
        {O::TextFindLast, Setup::NullNarrow1, 0.0f},
        {O::TextFindLast, Setup::NullWide0, 0.0f},
        {O::TextCount, Setup::MissingChild1, 0.0f},
        {O::TextCount, Setup::NullNarrow0, 0.0f},
        {O::TextCount, Setup::NullWide1, 0.0f},
        {O::TextToInteger, Setup::NullNarrow0, 0.0f},
        {O::TextToInteger, Setup::NullWide0, 0.0f},
        {O::TextToFloat, Setup::NullNarrow0, 0.0f},
        {O::TextToFloat, Setup::NullWide0, 0.0f},
        {O::TextEqualsIgnoreCase, Setup::MissingChild1, 0.0f},
        {O::TextCompare, Setup::MissingChild1, 0.0f},
        {O::TextCompare, Setup::NullWide0, 0.0f},
        {O::TextCompare, Setup::NullWide1, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(OperationName(c.op)) + " setup " +
                     std::to_string(static_cast<int>(c.setup)));
        Kch_Quantifier& q = NewQuantifier(c.op);
        // The texts would give a result other than the neutral one.
        ScriptedText& child0 = AddScripted(q, Width::Wide, "9a");
        if (c.setup != Setup::MissingChild1) {
            ScriptedText& child1 = AddScripted(q, Width::Wide, "b9ab");
            nulls[&child1].narrow = c.setup == Setup::NullNarrow1;
            nulls[&child1].wide = c.setup == Setup::NullWide1;
        }
        nulls[&child0].narrow = c.setup == Setup::NullNarrow0;
        nulls[&child0].wide = c.setup == Setup::NullWide0;
        log.clear();
        EXPECT_TRUE(SameBits(c.expected, Evaluate(q)));
        if (c.setup == Setup::MissingChild1) {
            EXPECT_EQ(Joined(log), "");
        }
    }

    // Missing child 0: no text child at all.
    for (const OperationInfo& info : kOperations) {
        if (info.family != OperationFamily::Text) continue;
        SCOPED_TRACE(info.name);
        Kch_Quantifier& q = NewQuantifier(info.id);
        AddFloat(q, 65.0f);
        EXPECT_TRUE(SameBits(info.id == O::TextFind ? -1.0f : 0.0f, Evaluate(q)));
    }
}

TEST_F(TextOperations, TextEqualsIgnoreCaseIgnoresCaseOnlyAfterTheFirstCharacter) {
    struct Case {
        std::string a, b;
        float expected;
    };
    const Case cases[] = {
        {"APPLE", "Apple", 1.0f},
        {"apple", "Apple", 0.0f},
        {"", "", 1.0f},
        {"a", "", 0.0f},
        {"ab", "abc", 0.0f},
        {"x[", "x{", 0.0f},
        {"x\xC9", "x\xE9", 0.0f},  // no folding beyond A-Z
        {"\xE9t\xE9", "\xE9T\xE9", 1.0f},
    };
    for (const Case& c : cases) {
        for (Width width0 : kWidths) {
            for (Width width1 : kWidths) {
                // Bytes above 127 are not UTF-8, so they only survive when both widths agree.
                if (width0 != width1 && !(IsAscii(c.a) && IsAscii(c.b))) continue;
                SCOPED_TRACE(Trace(width0, c.a) + " and " + Trace(width1, c.b));
                EXPECT_TRUE(
                    SameBits(c.expected, Run(O::TextEqualsIgnoreCase, width0, c.a, width1, c.b)));
            }
        }
    }

    // Null texts: two are equal, one is not.
    struct NullCase {
        bool null0, null1;
        float expected;
    };
    for (const NullCase& c :
         {NullCase{true, true, 1.0f}, NullCase{true, false, 0.0f}, NullCase{false, true, 0.0f}}) {
        SCOPED_TRACE(std::to_string(c.null0) + std::to_string(c.null1));
        Kch_Quantifier& q = NewQuantifier(O::TextEqualsIgnoreCase);
        c.null0 ? AddNoText(q) : AddText(q, "");
        c.null1 ? AddNoText(q) : AddText(q, "");
        EXPECT_EQ(Evaluate(q), c.expected);
    }
}

TEST_F(TextOperations, TextCompareOrdersUnitsAsUnsigned16BitValues) {
    struct Case {
        std::u16string a, b;
        float expected;
    };
    const Case cases[] = {
        {u"abc", u"abd", -1.0f},
        {u"abd", u"abc", 1.0f},
        {u"ab", u"abc", -1.0f},
        {u"abc", u"ab", 1.0f},
        {u"abc", u"abc", 0.0f},
        {u"", u"", 0.0f},
        {u"B", u"a", -1.0f},
        {u"\u00E9", u"z", 1.0f},
        {u"\u8000", u"\u7FFF", 1.0f},
        {u"\uFFFF", u"\u0001", 1.0f},
        {{u'a', u'\xD800'}, u"a\u7FFF", 1.0f},  // a lone surrogate is just a unit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.a.size()) + " and " + std::to_string(c.b.size()) + " units");
        Kch_Quantifier& q = NewQuantifier(O::TextCompare);
        AddWideText(q, c.a);
        AddWideText(q, c.b);
        EXPECT_TRUE(SameBits(c.expected, Evaluate(q)));
    }
    // Narrow children are read wide too: "é" in UTF-8 becomes U+00E9, after 'z'.
    EXPECT_EQ(Run(O::TextCompare, Width::Narrow, "\xC3\xA9", Width::Narrow, "z"), 1.0f);
    EXPECT_EQ(Run(O::TextCompare, Width::Narrow, "\xC3\xA9", Width::Wide, "\xE9"), 0.0f);
}

TEST_F(TextOperations, TextCountKeepsItsCountWhileBothStampsStay) {
    Kch_Quantifier& q = NewQuantifier(O::TextCount);
    ScriptedText& pattern = AddScripted(q, Width::Narrow, "ana");
    ScriptedText& text = AddScripted(q, Width::Wide, "banana");
    const auto calls = [&](const char* call) { return CountOf(log, call); };

    log.clear();
    EXPECT_EQ(Evaluate(q), 2.0f);
    EXPECT_EQ(calls("1.GetWideText"), 1u);

    // Unchanged: the two narrow null tests and the two stamps, child 0's first.
    log.clear();
    EXPECT_EQ(Evaluate(q), 2.0f);
    EXPECT_EQ(Joined(log), "0.GetText 1.GetText 0.GetTimeStamp 1.GetTimeStamp");

    struct Change {
        const char* what;
        ScriptedText* child;
        std::string bytes;
        float expected;
    };
    const Change changes[] = {
        {"text changes", &text, "bananana", 3.0f},
        {"pattern changes", &pattern, "an", 3.0f},
        {"only the pattern's stamp changes", &pattern, "", 3.0f},
        {"only the text's stamp changes", &text, "", 3.0f},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        if (change.bytes.empty()) {
            change.child->SetTimeStamp();
        } else if (change.child == &text) {
            text.SetWideText(Units(change.bytes));
        } else {
            pattern.SetNarrowText(change.bytes);
        }
        log.clear();
        EXPECT_EQ(Evaluate(q), change.expected);
        EXPECT_EQ(calls("1.GetWideText"), 1u);  // counted again
        log.clear();
        EXPECT_EQ(Evaluate(q), change.expected);
        EXPECT_EQ(calls("1.GetWideText"), 0u);  // and cached again
        EXPECT_EQ(calls("0.GetTimeStamp") + calls("1.GetTimeStamp"), 2u);
    }
}

TEST_F(TextOperations, TextCountCountsAgainAfterAnEarlyZero) {
    struct Case {
        const char* what;
        bool nullWide;  // else the pattern goes missing entirely
    };
    for (const Case& c :
         {Case{"text with a null wide text", true}, Case{"pattern briefly gone", false}}) {
        SCOPED_TRACE(c.what);
        Kch_Quantifier& q = NewQuantifier(O::TextCount);
        ScriptedText& pattern = AddScripted(q, Width::Narrow, "a");
        ScriptedText& text = AddScripted(q, Width::Wide, "banana");
        EXPECT_EQ(Evaluate(q), 3.0f);
        if (c.nullWide) {
            pattern.SetTimeStamp();  // so that the next evaluation reaches the wide texts
            nulls[&text].wide = true;
            EXPECT_EQ(Evaluate(q), 0.0f);
            nulls[&text].wide = false;
        } else {
            nulls[&pattern].narrow = true;
            EXPECT_EQ(Evaluate(q), 0.0f);
            nulls[&pattern].narrow = false;
        }
        // Same stamps as before the early 0.0, which is what the channel holds now.
        EXPECT_EQ(Evaluate(q), 3.0f);
    }
}

TEST_F(TextOperations, TextFirstCharStoredWritesTheCurrentValueItself) {
    struct Case {
        O op;
        const char* second;  // null: the child then holds no text
        float afterDirectCall;
    };
    const Case cases[] = {
        {O::TextFirstCharStored, "B", 66.0f},
        {O::TextFirstCharStored, "\xE9", -23.0f},
        {O::TextFirstCharStored, nullptr, 65.0f},
        {O::TextFirstCharCode, "B", 65.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(OperationName(c.op)) + (c.second ? c.second : " null"));
        Kch_Quantifier& q = NewQuantifier(c.op);
        Kch_TextChannel& child = AddText(q, "A");
        EXPECT_EQ(Evaluate(q), 65.0f);
        c.second ? child.SetNarrowText(c.second) : child.ClearText();
        q.CalculateValue();
        // Still the same render: GetFloat answers with the stored value.
        EXPECT_EQ(q.GetFloat(), c.afterDirectCall);
    }
}

TEST_F(TextOperations, HexTextToFloatChildSetsTheLowByte) {
    struct Case {
        std::string text;
        float expected;
    };
    const Case cases[] = {
        {"ff", 255.0f},
        {"1FF", 255.0f},
        {"100", 0.0f},
        {"0x41", 65.0f},
        {"-1", 255.0f},
        {"zz", 0.0f},
        {"123456789AB", 255.0f},
        {"100000000", 255.0f},
        {"-80000000", 0.0f},
        {"-80000001", 0.0f},
        {"-7FFFFFFF", 1.0f},
        {" \t+0Xc8g", 200.0f},
        {"0x", 0.0f},
        {"", 0.0f},
        {"\xE9"
         "1",
         0.0f},
    };
    for (const Case& c : cases) {
        for (Width width : kWidths) {
            SCOPED_TRACE(Trace(width, c.text));
            Kch_Quantifier& q = NewQuantifier(O::HexTextToFloatChild);
            AddAs(width, q, c.text);
            Kch_FloatChannel& target = AddFloat(q, -5.0f);
            EXPECT_TRUE(SameBits(0.0f, Evaluate(q)));
            EXPECT_TRUE(SameBits(c.expected, target.GetFloat()));
        }
    }

    // Nothing is set without a text.
    Kch_Quantifier& q = NewQuantifier(O::HexTextToFloatChild);
    AddNoText(q);
    Kch_FloatChannel& target = AddFloat(q, -5.0f);
    EXPECT_EQ(Evaluate(q), 0.0f);
    EXPECT_EQ(target.GetFloat(), -5.0f);
}

TEST_F(TextOperations, FloatCodeToTextChildWritesOneByte) {
    struct Case {
        float code;
        std::string expected;
    };
    const Case cases[] = {
        {65.7f, "A"},
        {321.0f, "A"},
        {0.0f, ""},
        {-0.9f, ""},
        {-1.0f, "\xFF"},
        {233.0f, "\xE9"},
        {std::numeric_limits<float>::quiet_NaN(), ""},
        {3e9f, ""},
        {-3e9f, ""},
        {std::numeric_limits<float>::infinity(), ""},
        {2147483520.0f, "\x80"},  // the largest float below 2^31
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Kch_Quantifier& q = NewQuantifier(O::FloatCodeToTextChild);
        Kch_TextChannel& target = AddWideText(q, u"old");
        AddFloat(q, c.code);
        EXPECT_TRUE(SameBits(0.0f, Evaluate(q)));
        EXPECT_EQ(target.GetKind(), Kch_TextChannel::Kind::Narrow);
        EXPECT_EQ(std::string(target.GetText()), c.expected);
    }

    // Without the float child nothing is written.
    Kch_Quantifier& q = NewQuantifier(O::FloatCodeToTextChild);
    Kch_TextChannel& target = AddText(q, "old");
    const uint32_t stamp = target.GetTimeStamp();
    EXPECT_EQ(Evaluate(q), 0.0f);
    EXPECT_STREQ(target.GetText(), "old");
    EXPECT_EQ(target.GetTimeStamp(), stamp);
}

// The three searches through the channel against a naive walk, on many short random texts
// over two letters, narrow and wide.
TEST_F(TextOperations, SearchesAgreeWithANaiveWalk) {
    Kch_Quantifier& find = NewQuantifier(O::TextFind);
    Kch_Quantifier& last = NewQuantifier(O::TextFindLast);
    Kch_Quantifier& count = NewQuantifier(O::TextCount);
    Kch_TextChannel& pattern = Keep(std::make_unique<Kch_TextChannel>());
    Kch_TextChannel& text = Keep(std::make_unique<Kch_TextChannel>());
    for (Kch_Quantifier* q : {&find, &last, &count}) {
        q->SetChild(&pattern, -1, 0);
        q->SetChild(&text, -1, 0);
    }
    std::mt19937 rng(99);
    std::uniform_int_distribution<size_t> textLength(0, 16), patternLength(0, 5);
    std::bernoulli_distribution coin(0.5);
    const auto random = [&](size_t length) {
        std::string s(length, 'a');
        for (char& ch : s)
            ch = coin(rng) ? 'a' : 'b';
        return s;
    };
    for (int round = 0; round < 3000; ++round) {
        const std::string p = random(patternLength(rng)), t = random(textLength(rng));
        const Width width = round % 2 == 0 ? Width::Narrow : Width::Wide;
        if (width == Width::Narrow) {
            pattern.SetNarrowText(p);
            text.SetNarrowText(t);
        } else {
            pattern.SetWideText(Units(p));
            text.SetWideText(Units(t));
        }
        // The walks as defined: the last occurrence by repeated searching one past the
        // previous one; the count likewise, never searching from the end of the text.
        float expectedFind = -1.0f, expectedLast = 0.0f, expectedCount = 0.0f;
        size_t at = t.find(p);
        if (at != std::string::npos) {
            expectedFind = static_cast<float>(at);
            for (;;) {
                expectedLast = static_cast<float>(at);
                if (at >= t.size() || (at = t.find(p, at + 1)) == std::string::npos) break;
            }
        }
        for (size_t from = 0; from < t.size() && (at = t.find(p, from)) != std::string::npos;
             from = at + 1) {
            expectedCount += 1.0f;
        }
        SCOPED_TRACE(Trace(width, p) + " in '" + t + "'");
        EXPECT_EQ(Evaluate(find), expectedFind);
        EXPECT_EQ(Evaluate(last), expectedLast);
        EXPECT_EQ(Evaluate(count), expectedCount);
        if (HasFailure()) return;
    }
}

// Results taken in the "C" locale stay the same in any other installed locale.
TEST_F(TextOperations, ResultsDoNotDependOnTheProcessLocale) {
    struct Case {
        O op;
        std::string a, b;  // b empty: one child
    };
    const Case cases[] = {
        {O::TextToFloat, "1.5", ""},
        {O::TextToFloat, "1,5", ""},
        {O::TextToFloat, "2.5e3x", ""},
        {O::TextToInteger,
         "\xA0"
         "7",
         ""},
        {O::TextEqualsIgnoreCase, "x\xC9", "x\xE9"},
        {O::TextEqualsIgnoreCase, "xI", "xi"},
        {O::TextEqualsIgnoreCase, "x\xC4\xB0", "xi"},
        {O::TextCompare, "\xC3\xA9", "z"},
        {O::HexTextToFloatChild,
         "\xA0"
         "f",
         ""},
    };
    const auto results = [&] {
        std::vector<float> out;
        for (const Case& c : cases) {
            for (Width width : kWidths) {
                Kch_Quantifier& q = NewQuantifier(c.op);
                AddAs(width, q, c.a);
                if (!c.b.empty()) AddAs(width, q, c.b);
                Kch_FloatChannel& written = AddFloat(q, 0.0f);
                out.push_back(Evaluate(q));
                out.push_back(written.GetFloat());
            }
        }
        return out;
    };
    const std::string before = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    const std::vector<float> reference = results();
    int tried = 0;
    for (const char* name : {"C.UTF-8", "de_DE.UTF-8", "de_DE.ISO-8859-1", "de_DE", "fr_FR.UTF-8",
                             "tr_TR.UTF-8", "tr_TR.ISO-8859-9", "en_US.ISO-8859-1"}) {
        if (std::setlocale(LC_ALL, name) == nullptr) continue;
        SCOPED_TRACE(name);
        ++tried;
        const std::vector<float> other = results();
        ASSERT_EQ(other.size(), reference.size());
        for (size_t i = 0; i < other.size(); ++i)
            EXPECT_TRUE(SameBits(reference[i], other[i])) << i;
    }
    std::setlocale(LC_ALL, before.c_str());
    if (tried == 0) GTEST_SKIP() << "no locale other than \"C\" is installed";
}
}  // namespace
