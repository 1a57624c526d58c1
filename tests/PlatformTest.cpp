// The OS layer: file handles, sizes, times and attributes as the POSIX stand-in maps them onto
// the Win32 meanings, and the window model behind the window calls.
#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <thread>

#include "FileTestSupport.h"
#include "Platform.h"
#include "WindowModel.h"

namespace {

using platform::FileHandle;
using platform::ShareMode;

FileHandle Open(const std::string& path, ShareMode share = ShareMode::Read) {
    return FileHandle::OpenForReading(Wide(path).c_str(), share);
}

uint32_t Attributes(const std::string& path) {
    return platform::GetPathAttributes(Wide(path).c_str());
}

uint64_t Intervals(const platform::FileTime& time) {
    return (static_cast<uint64_t>(time.highDateTime) << 32) | time.lowDateTime;
}

constexpr uint64_t kIntervalsAt1970 = 116444736000000000ull;

TEST(PlatformFiles, AttributesFollowTheDocumentedMapping) {
    TempDirectory dir;
    struct Case {
        const char* label;
        std::function<std::string()> make;
        uint32_t expected;
    };
    const Case cases[] = {
        {"plain directory", [&] { return dir.Directory("plain"); }, 0x10},
        {"plain directory, trailing slash", [&] { return dir.Directory("slash") + "/"; }, 0x10},
        {"directory the owner may not write", [&] { return dir.Directory("locked", 0555); }, 0x11},
        {"directory others may not write", [&] { return dir.Directory("mine", 0700); }, 0x10},
        {"hidden directory", [&] { return dir.Directory(".hidden"); }, 0x12},
        {"hidden read-only directory", [&] { return dir.Directory(".both", 0500); }, 0x13},
        {"directory named by \".\"", [&] { return dir.Directory("dot") + "/."; }, 0x10},
        {"directory named by \"..\"", [&] { return dir.Directory("up") + "/../up/.."; }, 0x10},
        {"plain file", [&] { return dir.File("file.txt", 3); }, 0x80},
        {"read-only file",
         [&] {
             const std::string path = dir.File("ro.txt");
             chmod(path.c_str(), 0444);
             return path;
         },
         0x01},
        {"hidden file", [&] { return dir.File(".profile"); }, 0x02},
        {"link to a directory", [&] { return dir.Symlink("dirlink", dir.Directory("target")); },
         0x410},
        {"link to a read-only directory",
         [&] { return dir.Symlink("rolink", dir.Directory("rotarget", 0555)); }, 0x411},
        {"link to a file", [&] { return dir.Symlink("filelink", dir.File("f")); }, 0x400},
        {"dangling link", [&] { return dir.Symlink("dangling", dir.Path("nowhere")); }, 0x400},
        {"missing path", [&] { return dir.Path("missing"); }, 0xFFFFFFFF},
        {"missing parent", [&] { return dir.Path("missing/child"); }, 0xFFFFFFFF},
        {"empty path", [] { return std::string(); }, 0xFFFFFFFF},
        {"non-ASCII name", [&] { return dir.Directory("d\xC3\xA9j\xC3\xA0-\xF0\x9F\x98\x80"); },
         0x10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = c.make();
        EXPECT_EQ(Attributes(path), c.expected) << path;
    }
}

TEST(PlatformFiles, PathsThatNoUtf8NameSpellsFail) {
    TempDirectory dir;
    const std::string file = dir.File("a");
    struct Case {
        const char* label;
        OrnWideString suffix;  // appended to the directory's path
    };
    const Case cases[] = {
        {"lone low surrogate", {0xDC00}},
        {"lone high surrogate at the end", {0xD800}},
        {"high surrogate before an ordinary unit", {0xD800, u'a'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const OrnWideString path = Wide(dir.Path("")) + c.suffix;
        EXPECT_EQ(platform::GetPathAttributes(path.c_str()), platform::kInvalidFileAttributes);
        EXPECT_FALSE(FileHandle::OpenForReading(path.c_str(), ShareMode::Read).IsOpen());
    }
    EXPECT_EQ(platform::GetPathAttributes(nullptr), platform::kInvalidFileAttributes);
    EXPECT_FALSE(FileHandle::OpenForReading(nullptr, ShareMode::ReadWrite).IsOpen());
    // A pair of surrogates is one character and reaches the file.
    const std::string emoji = dir.File("\xF0\x9F\x98\x80", 5);
    const OrnWideString widePath = Wide(dir.Path("")) + OrnWideString{0xD83D, 0xDE00};
    EXPECT_EQ(FileHandle::OpenForReading(widePath.c_str(), ShareMode::Read).GetSizeLow(), 5u);
}

TEST(PlatformFiles, OpenSucceedsForFilesOnlyAndLeavesNoDescriptorBehind) {
    TempDirectory dir;
    const int before = OpenDescriptorCount();
    struct Case {
        const char* label;
        std::string path;
        bool opens;
    };
    const Case cases[] = {
        {"file", dir.File("file", 10), true},
        {"link to a file", dir.Symlink("link", dir.Path("file")), true},
        {"directory", dir.Directory("dir"), false},
        {"link to a directory", dir.Symlink("dirlink", dir.Path("dir")), false},
        {"missing", dir.Path("missing"), false},
        {"empty path", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (ShareMode share : {ShareMode::Read, ShareMode::ReadWrite}) {
            FileHandle handle = Open(c.path, share);
            EXPECT_EQ(handle.IsOpen(), c.opens);
            EXPECT_EQ(OpenDescriptorCount(), before + (c.opens ? 1 : 0));
        }
        EXPECT_EQ(OpenDescriptorCount(), before);
    }

    // Moves hand the descriptor on; Close and a second Close leave none.
    FileHandle first = Open(dir.Path("file"));
    FileHandle second = std::move(first);
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(second.IsOpen());
    EXPECT_EQ(OpenDescriptorCount(), before + 1);
    second = Open(dir.Path("file"));  // the old descriptor is closed by the assignment
    EXPECT_EQ(OpenDescriptorCount(), before + 1);
    second.Close();
    second.Close();
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(OpenDescriptorCount(), before);
    // A closed handle answers with the failure values.
    EXPECT_EQ(second.GetSizeLow(), 0xFFFFFFFFu);
    EXPECT_FALSE(second.GetLastWriteTime().has_value());
}

TEST(PlatformFiles, SizeIsTheLow32Bits) {
    TempDirectory dir;
    struct Case {
        uint64_t size;
        uint32_t expected;
    };
    const Case cases[] = {
        {0, 0},
        {1, 1},
        {16777217, 16777217},
        {0xFFFFFFFFull, 0xFFFFFFFFu},
        {0x100000000ull, 0},
        {5ull << 30, 1u << 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string path = dir.File("sized", c.size);
        EXPECT_EQ(Open(path).GetSizeLow(), c.expected);
    }
}

TEST(PlatformFiles, LastWriteTimeCounts100NanosecondIntervalsSince1601) {
    TempDirectory dir;
    const std::string path = dir.File("timed");
    struct Case {
        int64_t seconds;
        long nanoseconds;
        uint64_t expected;
    };
    const Case cases[] = {
        {0, 0, kIntervalsAt1970},
        {1, 123456789, kIntervalsAt1970 + 10000000 + 1234567},
        {0, 99, kIntervalsAt1970},  // below the resolution
        {-86400, 0, kIntervalsAt1970 - 864000000000ull},
        {4102444800, 500, kIntervalsAt1970 + 4102444800ull * 10000000 + 5},  // 2100-01-01
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        SetModificationTime(path, c.seconds, c.nanoseconds);
        const auto time = Open(path).GetLastWriteTime();
        ASSERT_TRUE(time.has_value());
        EXPECT_EQ(Intervals(*time), c.expected);
    }
}

TEST(PlatformFiles, CompareFileTimeOrdersByTheWhole64BitCount) {
    using platform::FileTime;
    struct Case {
        FileTime a;
        FileTime b;
        int expected;
    };
    const Case cases[] = {
        {{0, 0}, {0, 0}, 0},
        {{1, 0}, {2, 0}, -1},
        {{0xFFFFFFFF, 0}, {0, 1}, -1},  // the high part decides
        {{0, 2}, {0xFFFFFFFF, 1}, 1},
        {{0x80000000, 0}, {0x7FFFFFFF, 0}, 1},  // unsigned parts
        {{7, 0x80000000}, {7, 0x80000000}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a.highDateTime << ":" << c.a.lowDateTime << " vs "
                                        << c.b.highDateTime << ":" << c.b.lowDateTime);
        EXPECT_EQ(platform::CompareFileTime(c.a, c.b), c.expected);
        EXPECT_EQ(platform::CompareFileTime(c.b, c.a), -c.expected);
    }
}

class WindowModel : public ::testing::Test {
protected:
    WindowModel() { platform::window_model::Reset(); }
    ~WindowModel() override { platform::window_model::Reset(); }
};

TEST_F(WindowModel, AncestorsClimbParentsForTheRootAndOwnersForTheRootOwner) {
    namespace wm = platform::window_model;
    using platform::AncestorKind;
    const auto owner = wm::CreateTopLevelWindow();
    const auto owned = wm::CreateTopLevelWindow(owner);
    const auto ownedTwice = wm::CreateTopLevelWindow(owned);
    const auto child = wm::CreateChildWindow(owned);
    const auto grandchild = wm::CreateChildWindow(child);
    const auto orphan = wm::CreateChildWindow(reinterpret_cast<void*>(0x1));  // unknown parent
    const auto unknown = reinterpret_cast<void*>(0x2);
    struct Case {
        const char* label;
        platform::WindowHandle window;
        platform::WindowHandle root;
        platform::WindowHandle rootOwner;
    };
    const Case cases[] = {
        {"null", nullptr, nullptr, nullptr},
        {"unknown", unknown, nullptr, nullptr},
        {"unowned top-level", owner, owner, owner},
        {"owned top-level", owned, owned, owner},
        {"owned by an owned window", ownedTwice, ownedTwice, owner},
        {"child", child, owned, owner},
        {"grandchild", grandchild, owned, owner},
        {"child of an unknown parent", orphan, orphan, orphan},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(platform::GetAncestor(c.window, AncestorKind::Root), c.root);
        EXPECT_EQ(platform::GetAncestor(c.window, AncestorKind::RootOwner), c.rootOwner);
    }
    EXPECT_NE(owner, nullptr);
    EXPECT_NE(owner, owned);
    wm::Reset();
    EXPECT_EQ(platform::GetAncestor(child, AncestorKind::Root), nullptr);
    EXPECT_NE(wm::CreateTopLevelWindow(), owner);  // handles are not reused
}

TEST_F(WindowModel, TheActiveWindowBelongsToAThreadAndTheForegroundToAll) {
    namespace wm = platform::window_model;
    const auto mine = wm::CreateTopLevelWindow();
    const auto theirs = wm::CreateTopLevelWindow();
    const auto front = wm::CreateTopLevelWindow();
    wm::SetActiveWindow(mine);
    wm::SetForegroundWindow(front);

    platform::WindowHandle seenActive = mine;
    platform::WindowHandle seenForeground = nullptr;
    std::thread other([&] {
        seenActive = platform::GetActiveWindow();
        seenForeground = platform::GetForegroundWindow();
    });
    other.join();
    EXPECT_EQ(seenActive, nullptr);
    EXPECT_EQ(seenForeground, front);
    EXPECT_EQ(platform::GetActiveWindow(), mine);

    std::promise<void> setUp;
    std::thread prepared([&, ready = setUp.get_future()] {
        ready.wait();
        seenActive = platform::GetActiveWindow();
    });
    wm::SetActiveWindow(prepared.get_id(), theirs);
    setUp.set_value();
    prepared.join();
    EXPECT_EQ(seenActive, theirs);
    EXPECT_EQ(platform::GetActiveWindow(), mine);
}

TEST_F(WindowModel, TheCallLogRecordsOnlyWhileOn) {
    namespace wm = platform::window_model;
    using Call = wm::WindowCall;
    platform::GetActiveWindow();
    wm::SetCallLogging(true);
    EXPECT_TRUE(wm::CallLog().empty());
    platform::GetForegroundWindow();
    platform::GetAncestor(nullptr, platform::AncestorKind::RootOwner);
    platform::GetActiveWindow();
    platform::GetAncestor(nullptr, platform::AncestorKind::Root);
    EXPECT_EQ(wm::CallLog(), (std::vector<Call>{Call::ForegroundWindow, Call::AncestorRootOwner,
                                                Call::ActiveWindow, Call::AncestorRoot}));
    wm::SetCallLogging(false);
    platform::GetActiveWindow();
    EXPECT_EQ(wm::CallLog().size(), 4u);
    wm::SetCallLogging(true);
    EXPECT_TRUE(wm::CallLog().empty());
}

}  // namespace
