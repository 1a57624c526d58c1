// The file, window and engine-query operations: what they look up, in which order they ask,
// what they answer, and that every handle and resolver is released on every way out.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <stdexcept>
#include <thread>

#include "Orn_Guids.h"
#include "support/InstrumentedChannel.h"
#include "support/QueryOperationsFixture.h"

namespace {

XMMATRIX Translation(float x, float y, float z) {
    XMMATRIX m = IdentityMatrix();
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

bool SameMatrix(const XMMATRIX& a, const XMMATRIX& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class QueryOperations : public QueryOperationsFixture {};

TEST_F(QueryOperations, FileSizeGivesTheLow32BitsAsFloat) {
    struct Case {
        const char* label;
        std::function<std::string()> make;
        float expected;
    };
    const Case cases[] = {
        {"empty file", [&] { return dir.File("empty", 0); }, 0.0f},
        {"three bytes", [&] { return dir.File("three", 3); }, 3.0f},
        {"16,777,217 bytes, nearest float", [&] { return dir.File("big", 16777217); }, 16777216.0f},
        {"missing file", [&] { return dir.Path("missing"); }, 0.0f},
        {"directory", [&] { return dir.Directory("folder"); }, 0.0f},
        {"empty path", [] { return std::string(); }, 0.0f},
    };
    for (const Case& c : cases) {
        const std::string path = c.make();
        for (bool wide : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.label << (wide ? ", wide text" : ", narrow text"));
            Kch_Quantifier& q = NewQuantifier(OperationId::FileSize);
            AddPath(q, path, wide);
            EXPECT_TRUE(SameBits(c.expected, EvaluateClosingFiles(q)));
        }
    }
}

// Files of 4 GiB and more are sparse; a file system that cannot hold them skips the test.
TEST_F(QueryOperations, FileSizeOfFilesOf4GiBAndBeyondIsTheLow32BitsAsFloat) {
    struct Case {
        const char* label;
        uint64_t size;
        float expected;
    };
    const Case cases[] = {
        {"4 GiB - 1 bytes, nearest float", 0xFFFFFFFFull, 4294967296.0f},
        {"4 GiB, low 32 bits all zero", 1ull << 32, 0.0f},
        {"5 GiB, low 32 bits", 5ull << 30, 1073741824.0f},
    };
    for (const Case& c : cases) {
        std::string path;
        try {
            path = dir.File("large", c.size);
        } catch (const FileTooLarge& error) {
            GTEST_SKIP() << "the temporary directory's file system cannot hold " << c.label << ": "
                         << error.what();
        }
        for (bool wide : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.label << (wide ? ", wide text" : ", narrow text"));
            Kch_Quantifier& q = NewQuantifier(OperationId::FileSize);
            AddPath(q, path, wide);
            EXPECT_TRUE(SameBits(c.expected, EvaluateClosingFiles(q)));
        }
    }
}

TEST_F(QueryOperations, IsDirectoryWantsExactlyThePlainDirectoryAttribute) {
    struct Case {
        const char* label;
        std::function<std::string()> make;
        float expected;
    };
    const Case cases[] = {
        {"plain directory", [&] { return dir.Directory("plain"); }, 1.0f},
        {"plain directory, trailing slash", [&] { return dir.Directory("slash") + "/"; }, 1.0f},
        {"non-ASCII name", [&] { return dir.Directory("caf\xC3\xA9"); }, 1.0f},
        {"ordinary file", [&] { return dir.File("file.txt", 1); }, 0.0f},
        {"missing path", [&] { return dir.Path("missing"); }, 0.0f},
        {"empty text", [] { return std::string(); }, 0.0f},
    };
    for (const Case& c : cases) {
        const std::string path = c.make();
        for (bool wide : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.label << (wide ? ", wide text" : ", narrow text"));
            Kch_Quantifier& q = NewQuantifier(OperationId::IsDirectory);
            AddPath(q, path, wide);
            EXPECT_TRUE(SameBits(c.expected, EvaluateClosingFiles(q)));
        }
    }
}

TEST_F(QueryOperations, FileTimeCompareOrdersByLastWriteTime) {
    struct Case {
        const char* label;
        int64_t seconds0;
        long nanoseconds0;
        int64_t seconds1;
        long nanoseconds1;
        float expected;
    };
    const Case cases[] = {
        {"file 1 written later", 1000000000, 0, 1000000500, 0, 1.0f},
        {"file 1 written earlier", 1000000500, 0, 1000000000, 0, -1.0f},
        {"same time", 1000000000, 250, 1000000000, 250, 0.0f},
        {"100 ns apart", 1000000000, 0, 1000000000, 100, 1.0f},
        {"apart by less than the 100 ns resolution", 1000000000, 110, 1000000000, 190, 0.0f},
        {"before 1970 and after", -100000, 0, 100000, 0, 1.0f},
        {"far apart (the high words differ)", 0, 0, 4000000000, 0, 1.0f},
    };
    const std::string path0 = dir.File("zero");
    const std::string path1 = dir.File("one");
    for (const Case& c : cases) {
        SetModificationTime(path0, c.seconds0, c.nanoseconds0);
        SetModificationTime(path1, c.seconds1, c.nanoseconds1);
        for (bool wide : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.label << (wide ? ", wide text" : ", narrow text"));
            Kch_Quantifier& q = NewQuantifier(OperationId::FileTimeCompare);
            AddPath(q, path0, wide);
            AddPath(q, path1, wide);
            EXPECT_TRUE(SameBits(c.expected, EvaluateClosingFiles(q)));
        }
    }

    SCOPED_TRACE("the same file named twice");
    Kch_Quantifier& same = NewQuantifier(OperationId::FileTimeCompare);
    AddText(same, path0);
    AddWideText(same, Utf16(path0));
    EXPECT_TRUE(SameBits(0.0f, EvaluateClosingFiles(same)));
}

TEST_F(QueryOperations, FileTimeCompareGivesZeroWhenAFileCannotBeOpened) {
    const std::string older = dir.File("older");
    const std::string newer = dir.File("newer");
    SetModificationTime(older, 1000, 0);
    SetModificationTime(newer, 2000, 0);
    const std::string folder = dir.Directory("folder");
    SetModificationTime(folder, 3000, 0);
    struct Case {
        const char* label;
        std::string path0;
        std::string path1;
    };
    const Case cases[] = {
        {"file 0 missing", dir.Path("missing"), newer},
        {"file 1 missing", older, dir.Path("missing")},
        {"both missing", dir.Path("a"), dir.Path("b")},
        {"file 0 a directory", folder, newer},
        {"file 1 a directory", older, folder},
        {"file 1 an empty path", older, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Kch_Quantifier& q = NewQuantifier(OperationId::FileTimeCompare);
        AddText(q, c.path0);
        AddText(q, c.path1);
        EXPECT_TRUE(SameBits(0.0f, EvaluateClosingFiles(q)));
    }
}

// The file operations differ in which text they test for presence: FileSize and IsDirectory
// the narrow text (and then need the wide one too), FileTimeCompare only the wide text.
TEST_F(QueryOperations, FileOperationsTestTheNarrowOrTheWideTextAsDocumented) {
    const std::string file = dir.File("file", 9);
    const std::string folder = dir.Directory("folder");
    const std::string older = dir.File("older");
    SetModificationTime(older, 1000, 0);
    SetModificationTime(file, 2000, 0);
    struct Case {
        const char* label;
        OperationId op;
        std::optional<std::string> narrow;  // of every text child
        bool hasWide;
        float expected;
        int wideCallsOfChild0;
    };
    const Case cases[] = {
        {"FileSize, narrow text null", OperationId::FileSize, std::nullopt, true, 0.0f, 0},
        {"FileSize, wide text null", OperationId::FileSize, "x", false, 0.0f, 1},
        {"FileSize, both present", OperationId::FileSize, "x", true, 9.0f, 1},
        {"IsDirectory, narrow text null", OperationId::IsDirectory, std::nullopt, true, 0.0f, 0},
        {"IsDirectory, wide text null", OperationId::IsDirectory, "x", false, 0.0f, 1},
        {"IsDirectory, both present", OperationId::IsDirectory, "x", true, 1.0f, 1},
        {"FileTimeCompare, narrow texts null", OperationId::FileTimeCompare, std::nullopt, true,
         1.0f, 1},
        {"FileTimeCompare, wide texts null", OperationId::FileTimeCompare, "x", false, 0.0f, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Kch_Quantifier& q = NewQuantifier(c.op);
        const std::string first = c.op == OperationId::IsDirectory ? folder
                                  : c.op == OperationId::FileSize  ? file
                                                                   : older;
        auto wideOf = [&](const std::string& path) {
            return c.hasWide ? std::optional<OrnWideString>(Wide(path)) : std::nullopt;
        };
        // Text children whose narrow and wide texts are set apart; their calls are noted.
        std::vector<std::string> calls;
        const auto addProbe = [&](const std::string& name, const std::string& path) {
            auto& child = Adopt(q, std::make_unique<Instrumented<Kch_TextChannel>>());
            child.hook = [&calls, name, narrow = c.narrow,
                          wide = wideOf(path)](std::string_view call) -> ChannelAnswer {
                calls.push_back(name + "." + std::string(call));
                if (call == "GetText") return narrow ? narrow->c_str() : nullptr;
                if (call == "GetWideText") return wide ? wide->c_str() : nullptr;
                if (call == "IsWideText") return wide.has_value();
                return {};
            };
        };
        addProbe("0", first);
        addProbe("1", file);
        const auto count = [&](const char* call) {
            return static_cast<int>(std::count(calls.begin(), calls.end(), call));
        };
        EXPECT_TRUE(SameBits(c.expected, EvaluateClosingFiles(q)));
        EXPECT_EQ(count("0.GetWideText"), c.wideCallsOfChild0);
        EXPECT_EQ(count("0.IsWideText") + count("1.IsWideText"), 0)
            << "IsWideText is not consulted";
        if (c.op == OperationId::FileTimeCompare) {
            EXPECT_EQ(count("0.GetText") + count("1.GetText"), 0);
            // Child 0's null wide text ends the operation before child 1 is asked.
            EXPECT_EQ(count("1.GetWideText"), c.hasWide ? 1 : 0);
        } else {
            EXPECT_EQ(count("0.GetText"), 1);
            EXPECT_EQ(count("1.GetText") + count("1.GetWideText"), 0);
        }
    }
}

class PublicCall : public QueryOperations {
protected:
    // Gives `q` an internal child 0 of that interface type whose public call names `path`.
    Kch_FloatChannel& SetUpInternalChild(Kch_Quantifier& q, int interfaceType,
                                         const std::string& path, int index = 0) {
        Kch_FloatChannel& internal = Keep(std::make_unique<Kch_FloatChannel>());
        internal.SetChannelInterfaceType(interfaceType);
        channelInternal->SetInternalChild(&q, index, &internal);
        channelInternal->SetPublicCallPath(&internal, path);
        internalEntries.push_back(&q);
        internalEntries.push_back(&internal);
        return internal;
    }
    Kch_FloatChannel& Target(float value) {
        auto channel = std::make_unique<Kch_FloatChannel>();
        channel->SetFloat(value);
        return Keep(std::move(channel));
    }
};

TEST_F(PublicCall, FindsTheFloatChannelUnderTheResolvedPath) {
    struct Case {
        const char* label;
        int interfaceType;
        int index;  // of the internal child
        bool hasGroup;
        std::optional<std::string> groupPath;  // of the group, when there is one
        std::string callPath;
        OrnGuid registeredGuid;
        std::string registeredName;
        float expected;
        bool asksCallInfo;
    };
    const OrnGuid f = orn_guid::kFloatInterface;
    const Case cases[] = {
        {"relative to the group's path", 2, 0, true, "/scenes/a", "values/speed", f,
         "/scenes/a/values/speed", -2.5f, true},
        {"unresolved name is not found", 2, 0, true, "/scenes/a", "values/speed", f, "values/speed",
         0.0f, true},
        {"no group", 2, 0, false, std::nullopt, "values/speed", f, "values/speed", -2.5f, true},
        {"group without a path", 2, 0, true, std::nullopt, "values/speed", f, "values/speed", -2.5f,
         true},
        {"absolute call path", 2, 0, true, "/scenes/a", "/abs/speed", f, "/abs/speed", -2.5f, true},
        {"found under another interface only", 2, 0, false, std::nullopt, "v",
         orn_guid::kVectorInterface, "v", 0.0f, true},
        {"interface type 1", 1, 0, false, std::nullopt, "v", f, "v", 0.0f, false},
        {"interface type 3", 3, 0, false, std::nullopt, "v", f, "v", 0.0f, false},
        {"interface type 0", 0, 0, false, std::nullopt, "v", f, "v", 0.0f, false},
        {"internal child 1 only", 2, 1, false, std::nullopt, "v", f, "v", 0.0f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Kch_Quantifier& q = NewQuantifier(OperationId::PublicCallFloat);
        SetUpInternalChild(q, c.interfaceType, c.callPath, c.index);
        Orn_ChannelGroup group(c.groupPath, nullptr);
        if (c.hasGroup) q.SetChannelGroup(&group);
        Kch_FloatChannel& target = Target(-2.5f);
        engine.RegisterChannel(c.registeredGuid, c.registeredName.c_str(), &target);
        const int queries = channelInternal->PublicCallQueries();
        const int resolvers = FilePathFind::LiveCount();
        EXPECT_TRUE(SameBits(c.expected, Evaluate(q)));
        EXPECT_EQ(channelInternal->PublicCallQueries() - queries, c.asksCallInfo ? 1 : 0);
        EXPECT_EQ(FilePathFind::LiveCount(), resolvers);
        engine.UnregisterChannel(&target);
        q.SetChannelGroup(nullptr);
    }
}

TEST_F(PublicCall, ReturnsTheFoundFloatBitForBit) {
    const float values[] = {-2.5f,
                            -0.0f,
                            -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::denorm_min(),
                            std::bit_cast<float>(0x7FC12345u),   // quiet NaN with a payload
                            std::bit_cast<float>(0xFFC00001u)};  // negative NaN
    for (float value : values) {
        SCOPED_TRACE(std::bit_cast<uint32_t>(value));
        Kch_Quantifier& q = NewQuantifier(OperationId::PublicCallFloat);
        SetUpInternalChild(q, 2, "value");
        Kch_FloatChannel& target = Target(value);
        engine.RegisterChannel(orn_guid::kFloatInterface, "value", &target);
        EXPECT_TRUE(SameBits(value, Evaluate(q)));
        engine.UnregisterChannel(&target);
    }
}

class ThrowingLookupEngine : public OrnEngine {
public:
    Orn_Channel* FindChannel(const OrnGuid&, const char*) override {
        ++lookups;
        throw std::runtime_error("lookup failed");
    }
    int lookups = 0;
};

TEST_F(PublicCall, TheResolverIsDestroyedWhenTheEngineThrows) {
    const int resolvers = FilePathFind::LiveCount();
    Orn_ChannelGroup group(std::string("/scenes"), nullptr);
    {
        SCOPED_TRACE("the lookup throws");
        Kch_Quantifier& q = NewQuantifier(OperationId::PublicCallFloat);
        q.SetChannelGroup(&group);
        SetUpInternalChild(q, 2, "value");
        ThrowingLookupEngine throwing;
        ScopedGlobalEngine useThrowing(throwing);
        throwing.BeginRender();
        EXPECT_THROW(q.GetFloat(), std::runtime_error);
        EXPECT_EQ(throwing.lookups, 1);
        EXPECT_EQ(FilePathFind::LiveCount(), resolvers);
    }
    {
        SCOPED_TRACE("the found channel's GetFloat throws");
        Kch_Quantifier& q = NewQuantifier(OperationId::PublicCallFloat);
        q.SetChannelGroup(&group);
        SetUpInternalChild(q, 2, "value");
        auto& target = Keep(std::make_unique<Instrumented<Kch_FloatChannel>>());
        target.hook = [](std::string_view call) -> ChannelAnswer {
            if (call == "GetFloat") throw std::runtime_error("no value");
            return {};
        };
        engine.RegisterChannel(orn_guid::kFloatInterface, "/scenes/value", &target);
        EXPECT_THROW(Evaluate(q), std::runtime_error);
        EXPECT_EQ(FilePathFind::LiveCount(), resolvers);
        engine.UnregisterChannel(&target);
    }
}

// Records the calls on the object child and its inner object, in order.
struct CallLog {
    std::vector<std::string> calls;
};

class RecordingInner : public Orn_InnerObject {
public:
    explicit RecordingInner(CallLog& log) : log(log) {}
    XMMATRIX GetObjectMatrix() override {
        log.calls.push_back("get object matrix");
        return Orn_InnerObject::GetObjectMatrix();
    }
    void SetObjectMatrix(int selector, const XMMATRIX* matrix) override {
        log.calls.push_back("set object matrix " + std::to_string(selector) +
                            " x=" + std::to_string(static_cast<int>(matrix->m[3][0])));
        Orn_InnerObject::SetObjectMatrix(selector, matrix);
    }

private:
    CallLog& log;
};

TEST_F(QueryOperations, PlacedObjectTestAsksTheTestAtThePlacementAndPutsTheObjectBack) {
    const XMMATRIX start = Translation(100.0f, -7.0f, 3.5f);
    struct Case {
        const char* label;
        XMMATRIX placement;
        float expected;
    };
    const Case cases[] = {
        {"placed inside the test region", Translation(0.5f, 0.5f, 0.5f), 1.0f},
        {"placed on the region's corner", Translation(1.0f, 0.0f, 1.0f), 1.0f},
        {"placed outside", Translation(2.0f, 0.5f, 0.5f), 0.0f},
        {"placed where it already stands, outside", start, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Kch_Quantifier& q = NewQuantifier(OperationId::PlacedObjectTest);
        Kch_ObjectChannel& object = Adopt(q, std::make_unique<Kch_ObjectChannel>());
        object.SetTestRegion({0, 0, 0}, {1, 1, 1});
        object.SetPlacementMatrix(c.placement);
        object.innerObject->SetObjectMatrix(0, &start);
        const int sets = object.innerObject->SetCount();
        EXPECT_TRUE(SameBits(c.expected, Evaluate(q)));
        EXPECT_TRUE(SameMatrix(object.innerObject->GetObjectMatrix(), start));
        EXPECT_EQ(object.innerObject->SetCount() - sets, 2);
    }

    SCOPED_TRACE("an object child without an inner object");
    Kch_Quantifier& q = NewQuantifier(OperationId::PlacedObjectTest);
    Kch_ObjectChannel& empty = Adopt(q, std::make_unique<Kch_ObjectChannel>());
    empty.SetHasInnerObject(false);
    empty.SetTestRegion({-1e9f, -1e9f, -1e9f}, {1e9f, 1e9f, 1e9f});
    EXPECT_EQ(Evaluate(q), 0.0f);
}

TEST_F(QueryOperations, PlacedObjectTestCallsInOrderAndRestoresEvenWhenTheTestThrows) {
    for (bool throws : {false, true}) {
        SCOPED_TRACE(throws ? "the test throws" : "the test answers");
        CallLog log;
        Kch_Quantifier& q = NewQuantifier(OperationId::PlacedObjectTest);
        auto& object = Adopt(q, std::make_unique<Instrumented<Kch_ObjectChannel>>());
        object.hook = [&log, throws](std::string_view call) -> ChannelAnswer {
            if (call == "GetPlacementMatrix") log.calls.push_back("get placement");
            if (call != "GetTestResult") return {};
            log.calls.push_back("test");
            if (throws) throw std::runtime_error("test failed");
            return true;
        };
        object.SetHasInnerObject(false);
        object.innerObject = new RecordingInner(log);  // the channel owns and deletes it
        const XMMATRIX start = Translation(5.0f, 0.0f, 0.0f);
        object.innerObject->SetObjectMatrix(0, &start);
        object.SetPlacementMatrix(Translation(9.0f, 0.0f, 0.0f));
        log.calls.clear();
        if (throws) {
            EXPECT_THROW(Evaluate(q), std::runtime_error);
        } else {
            EXPECT_EQ(Evaluate(q), 1.0f);
        }
        EXPECT_EQ(log.calls, (std::vector<std::string>{"get object matrix", "get placement",
                                                       "set object matrix 0 x=9", "test",
                                                       "set object matrix 0 x=5"}));
    }
}

TEST_F(QueryOperations, UnsignedValueIsConvertedAsUnsigned) {
    struct Case {
        uint32_t value;
        float expected;
    };
    const Case cases[] = {
        {0, 0.0f},
        {16777217, 16777216.0f},
        {2147483648u, 2147483648.0f},
        {3000000000u, 3000000000.0f},
        {4294967295u, 4294967296.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        Kch_Quantifier& q = NewQuantifier(OperationId::UnsignedValue);
        Adopt(q, std::make_unique<Kch_UnsignedChannel>(c.value));
        EXPECT_TRUE(SameBits(c.expected, Evaluate(q)));
    }
}

// A match child that notes its name when asked.
template <class Base>
class NamedMatch : public Base {
public:
    NamedMatch(int32_t value, std::string name, std::vector<std::string>& asked)
        : Base(value), name(std::move(name)), asked(asked) {}
    int32_t GetMatchValue() override {
        asked.push_back(name);
        return Base::GetMatchValue();
    }

private:
    std::string name;
    std::vector<std::string>& asked;
};

class ValueMatch : public QueryOperations {
protected:
    template <class Match>
    void Check(OperationId op) {
        struct Case {
            const char* label;
            std::vector<int32_t> values;
            float expected;
        };
        const Case cases[] = {
            {"no children", {}, 0.0f},
            {"only child 0", {7}, 0.0f},
            {"7 and 7", {7, 7}, 1.0f},
            {"7 and 8", {7, 8}, 0.0f},
            {"lowest and lowest", {INT32_MIN, INT32_MIN}, 1.0f},
            {"-1 and 0", {-1, 0}, 0.0f},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.label);
            std::vector<std::string> asked;
            Kch_Quantifier& q = NewQuantifier(op);
            for (size_t i = 0; i < c.values.size(); ++i) {
                Adopt(q, std::make_unique<NamedMatch<Match>>(c.values[i],
                                                             "child " + std::to_string(i), asked));
            }
            EXPECT_TRUE(SameBits(c.expected, Evaluate(q)));
            const std::vector<std::string> expectedAsked =
                c.values.size() == 2 ? std::vector<std::string>{"child 1", "child 0"}
                                     : std::vector<std::string>{};
            EXPECT_EQ(asked, expectedAsked);
        }
    }
};

TEST_F(ValueMatch, AsksChild1FirstAndComparesTheIntegers) {
    {
        SCOPED_TRACE("ValueMatchA");
        Check<Kch_MatchChannelA>(OperationId::ValueMatchA);
    }
    {
        SCOPED_TRACE("ValueMatchB");
        Check<Kch_MatchChannelB>(OperationId::ValueMatchB);
    }

    SCOPED_TRACE("each kind is invisible to the other operation");
    Kch_Quantifier& a = NewQuantifier(OperationId::ValueMatchA);
    Adopt(a, std::make_unique<Kch_MatchChannelB>(7));
    Adopt(a, std::make_unique<Kch_MatchChannelB>(7));
    EXPECT_EQ(Evaluate(a), 0.0f);
    Kch_Quantifier& b = NewQuantifier(OperationId::ValueMatchB);
    Adopt(b, std::make_unique<Kch_MatchChannelA>(7));
    Adopt(b, std::make_unique<Kch_MatchChannelA>(7));
    EXPECT_EQ(Evaluate(b), 0.0f);
}

}  // namespace
