// The file and window operations where only POSIX can set the scene: permission modes,
// dot-files and symbolic links any user may make, and the window model that stands in for
// the window system.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "support/posix/PosixFileSupport.h"
#include "support/QueryOperationsFixture.h"
#include "WindowModel.h"

namespace {

namespace wm = platform::window_model;

class PosixFileOperations : public QueryOperationsFixture {};

// A link is examined as a link: attributes of the link itself (a reparse point), contents
// of its target.
TEST_F(PosixFileOperations, LinksModesAndDotNamesMeetTheWin32Meanings) {
    struct Case {
        const char* label;
        OperationId op;
        std::function<std::string()> make;
        float expected;
    };
    const Case cases[] = {
        {"FileSize of a link to a file", OperationId::FileSize,
         [&] { return Symlink(dir, "link", dir.File("target", 42)); }, 42.0f},
        {"FileSize of a link to a directory", OperationId::FileSize,
         [&] { return Symlink(dir, "dirlink", dir.Directory("d")); }, 0.0f},
        {"FileSize of a dangling link", OperationId::FileSize,
         [&] { return Symlink(dir, "dangling", dir.Path("nowhere")); }, 0.0f},
        {"IsDirectory of a read-only directory", OperationId::IsDirectory,
         [&] { return Directory(dir, "locked", 0555); }, 0.0f},
        {"IsDirectory of a directory only others may not write", OperationId::IsDirectory,
         [&] { return Directory(dir, "mine", 0700); }, 1.0f},
        {"IsDirectory of a hidden directory", OperationId::IsDirectory,
         [&] { return dir.Directory(".hidden"); }, 0.0f},
        {"IsDirectory of a link to a directory", OperationId::IsDirectory,
         [&] { return Symlink(dir, "link2", dir.Directory("target2")); }, 0.0f},
    };
    for (const Case& c : cases) {
        const std::string path = c.make();
        for (bool wide : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.label << (wide ? ", wide text" : ", narrow text"));
            Kch_Quantifier& q = NewQuantifier(c.op);
            AddPath(q, path, wide);
            EXPECT_TRUE(SameBits(c.expected, EvaluateClosingFiles(q)));
        }
    }
}

// An engine that notes, at each request for the main window, how many window calls the
// system had seen before it.
class WindowEngine : public OrnEngine {
public:
    OrnWindow GetMainWindow() override {
        mainWindowAsked.push_back(wm::CallLog().size());
        return OrnEngine::GetMainWindow();
    }
    std::vector<size_t> mainWindowAsked;
};

class WindowFocus : public QueryOperationsFixture {
protected:
    WindowFocus() {
        wm::Reset();
        main = wm::CreateTopLevelWindow();
        mainChild = wm::CreateChildWindow(main);
        ownedByMain = wm::CreateTopLevelWindow(main);
        other = wm::CreateTopLevelWindow();
        otherChild = wm::CreateChildWindow(other);
        front = wm::CreateTopLevelWindow();
        frontChild = wm::CreateChildWindow(front);
    }
    ~WindowFocus() override { wm::Reset(); }
    platform::WindowHandle main, mainChild, ownedByMain, other, otherChild, front, frontChild;
    Orn_ChannelGroup group;
};

TEST_F(WindowFocus, OneOfFourIdentitiesMustHold) {
    struct Case {
        const char* label;
        OrnWindow mainWindow;
        OrnWindow groupWindow;
        platform::WindowHandle active;
        platform::WindowHandle foreground;
        float expected;
    };
    const Case cases[] = {
        {"none holds", main, other, frontChild, front, 0.0f},
        {"the active window's root is the main window", main, other, mainChild, front, 1.0f},
        {"the active window's root owner is the main window", main, other, ownedByMain, front,
         1.0f},
        {"the group's window is the active window", main, other, other, front, 1.0f},
        {"the root of the group's window is in the foreground", main, otherChild, frontChild, other,
         1.0f},
        {"the group's window itself is in the foreground, but not its root", main, otherChild,
         frontChild, otherChild, 0.0f},
        {"the active window is the group window's child", main, other, otherChild, front, 0.0f},
        {"no group window and no active window: null equals null", main, nullptr, nullptr, front,
         1.0f},
        {"no main window and no active window", nullptr, other, nullptr, front, 1.0f},
        {"no main window, an active window", nullptr, other, frontChild, front, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        engine.SetMainWindow(c.mainWindow);
        group.SetGroupWindow(c.groupWindow);
        wm::SetActiveWindow(c.active);
        wm::SetForegroundWindow(c.foreground);
        Kch_Quantifier& q = NewQuantifier(OperationId::WindowHasFocus);
        q.SetChannelGroup(&group);
        EXPECT_TRUE(SameBits(c.expected, Evaluate(q)));
    }
}

TEST_F(WindowFocus, AsksAllFourTestsInOrderWhicheverHolds) {
    using Call = wm::WindowCall;
    const std::vector<Call> expectedCalls = {
        Call::ActiveWindow, Call::AncestorRoot, Call::ActiveWindow,     Call::AncestorRootOwner,
        Call::ActiveWindow, Call::AncestorRoot, Call::ForegroundWindow,
    };
    WindowEngine windowEngine;
    ScopedGlobalEngine useWindowEngine(windowEngine);
    windowEngine.SetMainWindow(main);
    group.SetGroupWindow(main);
    wm::SetForegroundWindow(main);
    Kch_Quantifier& q = NewQuantifier(OperationId::WindowHasFocus);
    q.SetChannelGroup(&group);
    // All four tests hold here, and when none does the questions are the same.
    for (platform::WindowHandle active : {main, frontChild}) {
        SCOPED_TRACE(active == main ? "every test holds" : "only the foreground test holds");
        wm::SetActiveWindow(active);
        wm::SetCallLogging(true);
        windowEngine.mainWindowAsked.clear();
        windowEngine.BeginRender();
        EXPECT_EQ(q.GetFloat(), 1.0f);
        EXPECT_EQ(wm::CallLog(), expectedCalls);
        // The main window is asked after the system in tests 1 and 2.
        EXPECT_EQ(windowEngine.mainWindowAsked, (std::vector<size_t>{2, 4}));
    }
}

TEST_F(WindowFocus, AChannelWithoutAGroupAsksNoWindow) {
    WindowEngine windowEngine;
    ScopedGlobalEngine useWindowEngine(windowEngine);
    windowEngine.SetMainWindow(nullptr);  // would make every null comparison hold
    Kch_Quantifier& q = NewQuantifier(OperationId::WindowHasFocus);
    wm::SetCallLogging(true);
    windowEngine.BeginRender();
    EXPECT_EQ(q.GetFloat(), 0.0f);
    EXPECT_TRUE(wm::CallLog().empty());
    EXPECT_TRUE(windowEngine.mainWindowAsked.empty());
}

TEST_F(WindowFocus, TheActiveWindowIsTheEvaluatingThreads) {
    engine.SetMainWindow(main);
    group.SetGroupWindow(other);
    wm::SetForegroundWindow(front);
    wm::SetActiveWindow(mainChild);
    Kch_Quantifier& q = NewQuantifier(OperationId::WindowHasFocus);
    q.SetChannelGroup(&group);
    EXPECT_EQ(Evaluate(q), 1.0f);

    engine.BeginRender();
    float elsewhere = -1.0f;
    std::thread evaluator([&] { elsewhere = q.GetFloat(); });
    evaluator.join();
    EXPECT_EQ(elsewhere, 0.0f);
}

}  // namespace
