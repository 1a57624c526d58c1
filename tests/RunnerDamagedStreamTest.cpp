// --load of a damaged scene stream: all or nothing. Damage anywhere gives one line naming the
// file and the byte offset, exit 1, no output, and the file (also given to --save) untouched.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/RunError.h"
#include "support/RunnerFixture.h"
#include "support/SceneBytes.h"

namespace {
using namespace scene_bytes;

constexpr const char* kScene = R"({"frames": 1, "channels": [
    {"name": "v", "type": "vector", "value": [5, 6, 7, 8]},
    {"name": "f", "type": "float", "value": 3},
    {"name": "q", "type": "quantifier", "operation": "VectorX", "children": ["v"],
     "storeCurrentValue": true}],
    "outputs": ["q", "f"]})";

// Where the parts of a well-formed stream lie, walked from its encoding.
struct Layout {
    std::vector<bool> sizeOrHeader;  // magic, version, "CHAN", every size field
    std::vector<bool> tag;           // the four bytes of a block's tag
    std::vector<size_t> recordEnds;
};

Layout LayoutOf(const std::string& stream) {
    const auto u32 = [&](size_t at) {
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = value << 8 | static_cast<uint8_t>(stream[at + static_cast<size_t>(i)]);
        return value;
    };
    Layout layout{std::vector<bool>(stream.size()), std::vector<bool>(stream.size()), {}};
    const auto mark = [](std::vector<bool>& which, size_t from, size_t count) {
        for (size_t i = from; i < from + count; ++i)
            which[i] = true;
    };
    mark(layout.sizeOrHeader, 0, 8);
    for (size_t at = 8; at < stream.size();) {
        mark(layout.sizeOrHeader, at, 8);
        const size_t end = at + 8 + u32(at + 4);
        for (size_t block = at + 8; block < end; block += 8 + u32(block + 4)) {
            mark(layout.tag, block, 4);
            mark(layout.sizeOrHeader, block + 4, 4);
        }
        layout.recordEnds.push_back(end);
        at = end;
    }
    return layout;
}

// The offset a one-line error names after "at byte ", or npos.
size_t NamedOffset(const std::string& message) {
    const size_t at = message.find("at byte ");
    return at == std::string::npos ? std::string::npos : std::stoul(message.substr(at + 8));
}

class RunnerDamagedStreamTest : public RunnerFixture {
protected:
    // A stream saved by the runner itself: a float and a quantifier with its evaluation state.
    std::string SavedStream() {
        const std::string scene = WriteFile("scene.json", kScene);
        const RunResult saved = Run({scene, "--save", Path("saved.orn")});
        EXPECT_EQ(saved.exitCode, 0) << saved.err;
        return ReadFile(Path("saved.orn"));
    }

    // Loads `stream` and saves over it; checks what must hold of a rejection and returns the
    // exit status.
    int LoadAndSaveOver(const std::string& stream) {
        const std::string path = WriteFile("damaged.orn", stream);
        const RunResult result = Run({Path("scene.json"), "--load", path, "--save", path});
        if (result.exitCode != 0) {
            EXPECT_EQ(result.exitCode, quantifier_run::kExitFailure);
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(LineCount(result.err), 1) << result.err;
            EXPECT_NE(result.err.find(path + ": "), std::string::npos) << result.err;
            EXPECT_LE(NamedOffset(result.err), stream.size()) << result.err;
            EXPECT_EQ(ReadFile(path), stream) << "a rejected stream is left as it was";
        }
        return result.exitCode;
    }
};

TEST_F(RunnerDamagedStreamTest, EveryTruncationPastTheHeaderIsRejected) {
    const std::string stream = SavedStream();
    const Layout layout = LayoutOf(stream);
    ASSERT_EQ(layout.recordEnds.size(), 3u);
    for (size_t cut = 0; cut < stream.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const int status = LoadAndSaveOver(stream.substr(0, cut));
        // A cut exactly after the header or a record leaves a valid stream of fewer records,
        // which loads like any other.
        const bool boundary =
            cut == 8 || std::count(layout.recordEnds.begin(), layout.recordEnds.end(), cut) > 0;
        if (!boundary) {
            EXPECT_EQ(status, quantifier_run::kExitFailure);
        }
    }
}

TEST_F(RunnerDamagedStreamTest, EveryBitFlipOfTheStructureIsRejected) {
    const std::string stream = SavedStream();
    const Layout layout = LayoutOf(stream);
    for (size_t at = 0; at < stream.size(); ++at) {
        for (int bit = 0; bit < 8; ++bit) {
            SCOPED_TRACE("byte " + std::to_string(at) + " bit " + std::to_string(bit));
            std::string flipped = stream;
            flipped[at] = static_cast<char>(flipped[at] ^ (1 << bit));
            const auto byte = static_cast<uint8_t>(flipped[at]);
            const int status = LoadAndSaveOver(flipped);
            // A tag flipped to another printable one is a block of a tag nobody reads, and a
            // flipped data byte is another value: neither breaks the structure.
            if (layout.sizeOrHeader[at] || (layout.tag[at] && (byte < 0x20 || byte > 0x7E))) {
                EXPECT_EQ(status, quantifier_run::kExitFailure);
            }
        }
    }
}

TEST_F(RunnerDamagedStreamTest, EachKindOfDamageNamesItsOffset) {
    WriteFile("scene.json", kScene);
    const Bytes name = Block("NAME", Text("q"));
    const Bytes good = Record({name, Block("VEOT", U32(1)), Block("VEUN", {0})});
    struct Case {
        const char* what;
        Bytes stream;
        size_t offset;
        const char* message;
    };
    const Case cases[] = {
        {"a repeated tag", Stream({Record({name, Block("VEOT", U32(1)), Block("VEOT", U32(2))})}),
         8 + 8 + 9 + 12, "appears twice"},
        {"a tag that is not printable", Stream({Record({name, Block("VE\x01T", U32(1))})}),
         8 + 8 + 9, "printable"},
        {"a quantifier block of the wrong size", Stream({Record({name, Block("VEOT", {1, 0, 0})})}),
         8 + 8 + 9, "3 bytes, not 4"},
        {"a block running past its record",
         Cat({Header(), Text("CHAN"), U32(17), name, Text("VEOT"), U32(9)}), 8 + 8 + 9,
         "runs past the end of its record"},
        {"bytes after the last record", Cat({Stream({good}), Text("CH")}), 8 + good.size(),
         "truncated"},
        {"one channel in two records", Stream({good, good}), 8 + good.size(), "twice"},
        {"a NUL in a name", Stream({Record({Block("NAME", {'q', 0})})}), 8 + 8, "NUL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string stream(c.stream.begin(), c.stream.end());
        ASSERT_EQ(LoadAndSaveOver(stream), quantifier_run::kExitFailure);
        const RunResult result = Run({Path("scene.json"), "--load", Path("damaged.orn")});
        EXPECT_EQ(NamedOffset(result.err), c.offset) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

}  // namespace
