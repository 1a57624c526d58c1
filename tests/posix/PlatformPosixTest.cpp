// The POSIX stand-in's own ground: how it maps modes, dot-names and links onto the Win32
// attributes, paths that no UTF-8 name spells, and the window model behind the window calls.
#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <thread>

#include "support/FileTestSupport.h"
#include "Platform.h"
#include "support/posix/PosixFileSupport.h"
#include "WindowModel.h"

namespace {

using platform::FileHandle;
using platform::ShareMode;

TEST(PosixFiles, AttributesFollowTheDocumentedMapping) {
    TempDirectory dir;
    struct Case {
        const char* label;
        std::function<std::string()> make;
        uint32_t expected;
    };
    const Case cases[] = {
        {"plain directory", [&] { return dir.Directory("plain"); }, 0x10},
        {"plain directory, trailing slash", [&] { return dir.Directory("slash") + "/"; }, 0x10},
        {"directory the owner may not write", [&] { return Directory(dir, "locked", 0555); }, 0x11},
        {"directory others may not write", [&] { return Directory(dir, "mine", 0700); }, 0x10},
        {"hidden directory", [&] { return dir.Directory(".hidden"); }, 0x12},
        {"hidden read-only directory", [&] { return Directory(dir, ".both", 0500); }, 0x13},
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
        {"link to a directory", [&] { return Symlink(dir, "dirlink", dir.Directory("target")); },
         0x410},
        {"link to a read-only directory",
         [&] { return Symlink(dir, "rolink", Directory(dir, "rotarget", 0555)); }, 0x411},
        {"link to a file", [&] { return Symlink(dir, "filelink", dir.File("f")); }, 0x400},
        {"dangling link", [&] { return Symlink(dir, "dangling", dir.Path("nowhere")); }, 0x400},
        {"missing path", [&] { return dir.Path("missing"); }, 0xFFFFFFFF},
        {"missing parent", [&] { return dir.Path("missing/child"); }, 0xFFFFFFFF},
        {"empty path", [] { return std::string(); }, 0xFFFFFFFF},
        {"non-ASCII name", [&] { return dir.Directory("d\xC3\xA9j\xC3\xA0-\xF0\x9F\x98\x80"); },
         0x10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = c.make();
        EXPECT_EQ(PathAttributes(path), c.expected) << path;
    }
}

TEST(PosixFiles, PathsThatNoUtf8NameSpellsFail) {
    TempDirectory dir;
    dir.File("a");
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
}

TEST(PosixFiles, LinksOpenLikeTheirTargets) {
    TempDirectory dir;
    const int before = OpenHandleCount();
    struct Case {
        const char* label;
        std::string path;
        bool opens;
    };
    const Case cases[] = {
        {"link to a file", Symlink(dir, "link", dir.File("file", 10)), true},
        {"link to a directory", Symlink(dir, "dirlink", dir.Directory("dir")), false},
        {"dangling link", Symlink(dir, "dangling", dir.Path("nowhere")), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (ShareMode share : {ShareMode::Read, ShareMode::ReadWrite}) {
            FileHandle handle = OpenPath(c.path, share);
            EXPECT_EQ(handle.IsOpen(), c.opens);
            if (c.opens) {
                EXPECT_EQ(handle.GetSizeLow(), 10u);
            }
            EXPECT_EQ(OpenHandleCount(), before + (c.opens ? 1 : 0));
        }
        EXPECT_EQ(OpenHandleCount(), before);
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
