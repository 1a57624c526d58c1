// The scene stream: its encoding, the loader's checks on damaged input, the saver's refusal to
// write damaged records, and atomic saving to files.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "Orn_FileStream.h"
#include "Orn_Scene.h"
#include "support/SceneFileFixture.h"
#include "support/SceneBytes.h"

namespace {
using namespace scene_bytes;
namespace fs = std::filesystem;

// Reads every record; returns how many were well-formed.
int CountRecords(OrnFileLoader& loader) {
    int count = 0;
    while (loader.NextChannel())
        ++count;
    return count;
}

TEST(FileStream, EncodesMagicVersionRecordsAndBlocksLittleEndian) {
    OrnFileSaver saver;
    ASSERT_TRUE(saver.BeginChannel());
    EXPECT_TRUE(saver.SaveTag("NAME"));
    EXPECT_TRUE(saver.SaveBlockSize(4));
    EXPECT_TRUE(saver.SaveDataToFile("Cube", 4));
    ASSERT_TRUE(saver.EndChannel());
    // The example of the format's description, byte for byte.
    const Bytes cube = {'O', 'R', 'N', 'S', 1,   0,   0, 0, 'C', 'H', 'A', 'N', 12,  0,
                        0,   0,   'N', 'A', 'M', 'E', 4, 0, 0,   0,   'C', 'u', 'b', 'e'};
    EXPECT_EQ(saver.Data(), cube);

    // A second record with a block of 0x102 bytes, its data written in two pieces, and an empty
    // block: sizes are little-endian and a record's size counts its blocks only.
    const Bytes big(0x102, 0xAB);
    ASSERT_TRUE(saver.BeginChannel());
    EXPECT_TRUE(saver.SaveTag("BIGG") && saver.SaveBlockSize(0x102));
    EXPECT_TRUE(saver.SaveDataToFile(big.data(), 0x100) && saver.SaveDataToFile(big.data(), 2));
    EXPECT_TRUE(saver.SaveTag("NONE") && saver.SaveBlockSize(0) &&
                saver.SaveDataToFile(nullptr, 0));
    ASSERT_TRUE(saver.EndChannel());
    const Bytes expected = Stream(
        {Record({Block("NAME", Text("Cube"))}), Record({Block("BIGG", big), Block("NONE", {})})});
    EXPECT_EQ(saver.Data(), expected);
    const size_t second = cube.size();
    EXPECT_EQ(Bytes(saver.Data().begin() + second + 4, saver.Data().begin() + second + 8),
              (Bytes{0x12, 0x01, 0, 0}));  // 8 + 0x102 + 8
    EXPECT_EQ(Bytes(saver.Data().begin() + second + 12, saver.Data().begin() + second + 16),
              (Bytes{0x02, 0x01, 0, 0}));
}

TEST(FileStream, LooksUpTagsWithinTheCurrentRecordInAnyOrder) {
    OrnFileLoader loader(
        Stream({Record({Block("AAAA", Text("1")), Block("BBBB", Text("22")), Block("CCCC", {})}),
                Record({Block("CCCC", Text("333")), Block("??? ", Text("x"))})}));
    ASSERT_TRUE(loader.Valid());
    EXPECT_FALSE(loader.GetInfoIfTag("AAAA")) << "no record is current yet";

    ASSERT_TRUE(loader.NextChannel());
    struct Case {
        const char* tag;
        std::string data;
    };
    for (const Case& c :
         {Case{"CCCC", ""}, Case{"AAAA", "1"}, Case{"BBBB", "22"}, Case{"AAAA", "1"}}) {
        SCOPED_TRACE(c.tag);
        ASSERT_TRUE(loader.GetInfoIfTag(c.tag));
        ASSERT_EQ(loader.GetTagSize(), c.data.size());
        std::string copy(c.data.size(), '-');
        EXPECT_TRUE(loader.CopyTagDataToPointer(copy.data()));
        EXPECT_EQ(copy, c.data);
    }
    for (const char* absent : {"DDDD", "AAA", "AAAAA", "", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(absent ? absent : "null");
        EXPECT_FALSE(loader.GetInfoIfTag(absent));
        EXPECT_EQ(loader.GetTagSize(), 0u);
        char untouched = '-';
        EXPECT_FALSE(loader.CopyTagDataToPointer(&untouched))
            << "a failed lookup leaves no selection";
        EXPECT_EQ(untouched, '-');
    }

    ASSERT_TRUE(loader.NextChannel());
    EXPECT_FALSE(loader.GetInfoIfTag("AAAA")) << "a tag of the previous record";
    ASSERT_TRUE(loader.GetInfoIfTag("CCCC"));
    char small[2] = {'-', '-'};
    EXPECT_FALSE(loader.CopyTagDataToPointer(small, sizeof small))
        << "three bytes do not fit in two";
    EXPECT_EQ(small[0], '-');
    char exact[3];
    EXPECT_TRUE(loader.CopyTagDataToPointer(exact, sizeof exact));
    EXPECT_EQ(std::string(exact, 3), "333");
    EXPECT_TRUE(loader.GetInfoIfTag("??? ")) << "any printable tag";

    EXPECT_FALSE(loader.NextChannel());
    EXPECT_TRUE(loader.AtEnd());
    EXPECT_TRUE(loader.Valid());
    EXPECT_FALSE(loader.InChannel());
    EXPECT_FALSE(loader.GetInfoIfTag("CCCC"));
}

TEST(FileStream, RefusesDamagedStreamsWithoutHandingOutAnyOfTheDamagedRecord) {
    const Bytes good = Record({Block("NAME", Text("ok"))});
    struct Case {
        const char* what;
        Bytes bytes;
        int goodRecords;  // well-formed records before the damage
    };
    const Case cases[] = {
        {"empty input", {}, 0},
        {"shorter than the header", Text("ORN"), 0},
        {"no magic", Cat({Text("ORNX"), U32(1), good}), 0},
        {"newer version", Cat({Header(2), good}), 0},
        {"version 0", Cat({Header(0), good}), 0},
        {"huge version", Cat({Header(0xFFFFFFFF), good}), 0},
        {"record header cut", Cat({Header(), Text("CHAN")}), 0},
        {"not a record", Cat({Header(), Text("CHAX"), U32(0)}), 0},
        {"record size one past the end",
         Cat({Header(), Text("CHAN"), U32(12), Block("NAME", Text("ok")), Bytes{0}}), 0},
        {"huge record size",
         Cat({Header(), Text("CHAN"), U32(0xFFFFFFFF), Block("NAME", Text("ok"))}), 0},
        {"block header cut", Cat({Header(), Text("CHAN"), U32(5), Text("NAME"), Bytes{1}}), 0},
        {"block runs into the next record",
         Cat({Header(), Text("CHAN"), U32(10), Text("NAME"), U32(2 + 8), Text("ok"), good}), 0},
        {"huge block size",
         Cat({Header(), Text("CHAN"), U32(10), Text("NAME"), U32(0xFFFFFFFF), Text("ok")}), 0},
        {"zero-size block leaving a byte",
         Cat({Header(), Text("CHAN"), U32(9), Text("NAME"), U32(0), Bytes{7}}), 0},
        {"duplicated tag", Stream({Record({Block("NAME", Text("a")), Block("NAME", Text("b"))})}),
         0},
        {"duplicated tag apart",
         Stream({good, Record({Block("NAME", {}), Block("VEOT", U32(1)), Block("NAME", {})})}), 1},
        {"tag with a NUL", Stream({Record({Block(std::string_view("NA\0E", 4), {})})}), 0},
        {"tag with a byte above ASCII", Stream({Record({Block("NAM\xFF", {})})}), 0},
        {"garbage after the last record", Cat({Stream({good}), Text("CHA")}), 1},
        {"damaged record after a good one", Cat({Stream({good, good}), Text("CHAN"), U32(100)}), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OrnFileLoader loader(c.bytes);
        EXPECT_EQ(CountRecords(loader), c.goodRecords);
        EXPECT_FALSE(loader.Valid());
        EXPECT_FALSE(loader.AtEnd());
        EXPECT_FALSE(loader.Error().empty());
        EXPECT_FALSE(loader.InChannel());
        EXPECT_FALSE(loader.GetInfoIfTag("NAME"));
        EXPECT_FALSE(loader.NextChannel()) << "a failed stream stays failed";
    }
}

TEST(FileStream, AcceptsEmptyScenesRecordsAndBlocks) {
    const Bytes streams[] = {
        Header(),
        Stream({Record({})}),
        Stream(
            {Record({Block("NAME", {}), Block("ZZZZ", Text("from a newer channel"))}), Record({})}),
    };
    const int records[] = {0, 1, 2};
    for (size_t i = 0; i < std::size(streams); ++i) {
        SCOPED_TRACE(i);
        OrnFileLoader loader(streams[i]);
        EXPECT_EQ(CountRecords(loader), records[i]);
        EXPECT_TRUE(loader.AtEnd()) << loader.Error();
    }
}

TEST(FileStream, EveryTruncationIsRefusedOrEndsAtARecordBoundary) {
    OrnFileSaver saver;
    std::vector<size_t> boundaries = {saver.Data().size()};
    for (const char* name : {"first", "second one", ""}) {
        saver.BeginChannel();
        saver.SaveTag("NAME");
        saver.SaveBlockSize(static_cast<uint32_t>(std::strlen(name)));
        saver.SaveDataToFile(name, std::strlen(name));
        saver.SaveTag("DATA");
        saver.SaveBlockSize(4);
        saver.SaveDataToFile("1234", 4);
        ASSERT_TRUE(saver.EndChannel());
        boundaries.push_back(saver.Data().size());
    }
    const Bytes& whole = saver.Data();
    for (size_t length = 0; length <= whole.size(); ++length) {
        SCOPED_TRACE(length);
        OrnFileLoader loader(
            Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
        const int complete =
            static_cast<int>(std::upper_bound(boundaries.begin(), boundaries.end(), length) -
                             boundaries.begin()) -
            1;
        const bool atBoundary =
            std::find(boundaries.begin(), boundaries.end(), length) != boundaries.end();
        EXPECT_EQ(CountRecords(loader), std::max(complete, 0));
        EXPECT_EQ(loader.AtEnd(), atBoundary);
    }
}

TEST(FileStream, SaverRefusesMisuseAndDropsTheDamagedRecord) {
    struct Case {
        const char* what;
        std::function<void(OrnFileSaver&)> misuse;
    };
    const Case cases[] = {
        {"size without a tag", [](OrnFileSaver& s) { s.SaveBlockSize(1); }},
        {"data before its size",
         [](OrnFileSaver& s) {
             s.SaveTag("DATA");
             s.SaveDataToFile("x", 1);
         }},
        {"more data than announced",
         [](OrnFileSaver& s) {
             s.SaveTag("DATA");
             s.SaveBlockSize(1);
             s.SaveDataToFile("xy", 2);
         }},
        {"less data than announced",
         [](OrnFileSaver& s) {
             s.SaveTag("DATA");
             s.SaveBlockSize(4);
             s.SaveDataToFile("xyz", 3);
         }},
        {"tag without a size", [](OrnFileSaver& s) { s.SaveTag("DATA"); }},
        {"next tag inside a block",
         [](OrnFileSaver& s) {
             s.SaveTag("DATA");
             s.SaveBlockSize(2);
             s.SaveTag("MORE");
         }},
        {"a tag twice",
         [](OrnFileSaver& s) {
             s.SaveTag("NAME");
             s.SaveBlockSize(0);
         }},
        {"short tag",
         [](OrnFileSaver& s) {
             s.SaveTag("ABC");
             s.SaveBlockSize(0);
         }},
        {"long tag",
         [](OrnFileSaver& s) {
             s.SaveTag("ABCDE");
             s.SaveBlockSize(0);
         }},
        {"null tag",
         [](OrnFileSaver& s) {
             s.SaveTag(nullptr);
             s.SaveBlockSize(0);
         }},
        {"tag with a control character",
         [](OrnFileSaver& s) {
             s.SaveTag("AB\tC");
             s.SaveBlockSize(0);
         }},
        {"null data",
         [](OrnFileSaver& s) {
             s.SaveTag("DATA");
             s.SaveBlockSize(1);
             s.SaveDataToFile(nullptr, 1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OrnFileSaver saver;
        ASSERT_TRUE(saver.BeginChannel());
        saver.SaveTag("NAME");
        saver.SaveBlockSize(1);
        saver.SaveDataToFile("a", 1);
        ASSERT_TRUE(saver.EndChannel());
        const Bytes before = saver.Data();

        ASSERT_TRUE(saver.BeginChannel());
        EXPECT_TRUE(saver.SaveTag("NAME") && saver.SaveBlockSize(1) &&
                    saver.SaveDataToFile("b", 1));
        c.misuse(saver);
        EXPECT_FALSE(saver.SaveTag("LATE")) << "a damaged record takes nothing more";
        EXPECT_FALSE(saver.EndChannel());
        EXPECT_EQ(saver.Data(), before);
        OrnFileLoader loader(saver.Data());
        EXPECT_EQ(CountRecords(loader), 1);
        EXPECT_TRUE(loader.AtEnd());
    }

    // Outside a record nothing is written, and records do not nest.
    OrnFileSaver saver;
    const Bytes header = saver.Data();
    EXPECT_FALSE(saver.SaveTag("NAME"));
    EXPECT_FALSE(saver.SaveBlockSize(0));
    EXPECT_FALSE(saver.SaveDataToFile("x", 1));
    EXPECT_FALSE(saver.EndChannel());
    EXPECT_EQ(saver.Data(), header);
    EXPECT_TRUE(saver.BeginChannel());
    EXPECT_FALSE(saver.BeginChannel());
    EXPECT_TRUE(saver.EndChannel());
}

TEST_F(SceneFile, WritesAndReadsBackAndReplacesTheOldFile) {
    const std::string path = Path("scene.orns");
    ASSERT_TRUE(OneChannel("old").WriteToFile(path));
    const OrnFileSaver newer = OneChannel("newer");
    std::string error;
    ASSERT_TRUE(newer.WriteToFile(path, &error)) << error;
    EXPECT_EQ(Read(path), newer.Data());
    EXPECT_EQ(Entries(), std::vector<std::string>{"scene.orns"});

    OrnFileLoader loader = OrnFileLoader::FromFile(path);
    ASSERT_TRUE(loader.NextChannel()) << loader.Error();
    ASSERT_TRUE(loader.GetInfoIfTag("NAME"));
    EXPECT_EQ(loader.GetTagSize(), 5u);

    OrnFileLoader missing = OrnFileLoader::FromFile(Path("missing.orns"));
    EXPECT_FALSE(missing.Valid());
    EXPECT_NE(missing.Error().find("missing.orns"), std::string::npos) << missing.Error();
    OrnFileLoader notAScene = OrnFileLoader::FromFile(Utf8(dir.Root()));
    EXPECT_FALSE(notAScene.Valid()) << "a directory is no scene";
}

TEST_F(SceneFile, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    const std::string path = Path("scene.orns");
    const Bytes old = Stream({Record({Block("NAME", Text("old"))})});
    Write(path, old);
    fs::create_directory(Path("folder"));
    Write(Path("folder/inside"), Text("kept"));

    OrnFileSaver open = OneChannel("x");
    open.BeginChannel();
    struct Case {
        const char* what;
        std::function<bool(std::string&)> save;
    };
    const Case cases[] = {
        {"a record still open", [&](std::string& e) { return open.WriteToFile(path, &e); }},
        {"missing directory",
         [&](std::string& e) { return OneChannel("x").WriteToFile(Path("none/scene.orns"), &e); }},
        {"target is a directory",
         [&](std::string& e) { return OneChannel("x").WriteToFile(Path("folder"), &e); }},
        {"path names a directory",
         [&](std::string& e) { return OneChannel("x").WriteToFile(Path("folder/"), &e); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string error;
        EXPECT_FALSE(c.save(error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(Read(path), old);
        EXPECT_EQ(Read(Path("folder/inside")), Text("kept"));
        EXPECT_EQ(Entries(), (std::vector<std::string>{"folder", "scene.orns"}));
    }
}

TEST_F(SceneFile, SavesSideBySideNeverShareATemporaryFile) {
    const std::string path = Path("scene.orns");
    std::vector<Bytes> contents;
    for (int i = 0; i < 2; ++i)
        contents.push_back(
            Bytes(4096 + 1000 * static_cast<size_t>(i), static_cast<uint8_t>('a' + i)));
    std::atomic<int> failures{0};
    auto saveRepeatedly = [&](const Bytes& content) {
        for (int n = 0; n < 100; ++n) {
            if (!OrnWriteFileAtomically(path, content)) ++failures;
        }
    };
    std::thread first(saveRepeatedly, std::cref(contents[0]));
    std::thread second(saveRepeatedly, std::cref(contents[1]));
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
    const Bytes last = Read(path);
    EXPECT_TRUE(last == contents[0] || last == contents[1]) << "the file holds one complete save";
    EXPECT_EQ(Entries(), std::vector<std::string>{"scene.orns"});
}

}  // namespace
