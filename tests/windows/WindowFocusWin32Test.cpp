// WindowHasFocus and the window calls against the real window system: windows of the test's
// own, made active and brought to the foreground, as the engine's main window and the
// group's window.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/windows/Win32TestSupport.h"
#include "support/QuantifierTestSupport.h"

namespace {

// Windows made on the calling thread, destroyed with the object.
class DesktopWindows {
public:
    DesktopWindows() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        registered =
            ::RegisterClassW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }
    ~DesktopWindows() {
        for (auto it = made.rbegin(); it != made.rend(); ++it) {
            if (::IsWindow(*it)) ::DestroyWindow(*it);
        }
    }
    DesktopWindows(const DesktopWindows&) = delete;
    DesktopWindows& operator=(const DesktopWindows&) = delete;

    HWND TopLevel() { return Make(WS_OVERLAPPEDWINDOW, nullptr); }
    HWND Child(HWND parent) { return Make(WS_CHILD, parent); }
    // A top-level window with an owner; only pop-ups report their owner as their parent,
    // which is the chain GA_ROOTOWNER climbs.
    HWND OwnedPopup(HWND owner) { return Make(WS_POPUP, owner); }

private:
    static constexpr const wchar_t* kClassName = L"QuantifierTestWindow";
    HWND Make(DWORD style, HWND parent) {
        if (!registered) return nullptr;
        HWND window = ::CreateWindowExW(0, kClassName, L"", style, 0, 0, 64, 64, parent, nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr);
        if (window != nullptr) made.push_back(window);
        return window;
    }
    bool registered = false;
    std::vector<HWND> made;
};

void DispatchPendingMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// The value of the channel asked on a thread of its own, which has no active window.
float EvaluateOnFreshThread(OrnEngine& engine, Kch_Quantifier& q) {
    engine.BeginRender();
    float value = -1.0f;
    std::thread evaluator([&] { value = q.GetFloat(); });
    evaluator.join();
    return value;
}

// Handles that name no window; GetAncestor gives null for them.
const auto kNoWindowA = reinterpret_cast<OrnWindow>(static_cast<uintptr_t>(0x7FFF0010));
const auto kNoWindowB = reinterpret_cast<OrnWindow>(static_cast<uintptr_t>(0x7FFF0020));

class Win32FocusWithoutWindows : public QuantifierTest {};

TEST_F(Win32FocusWithoutWindows, AChannelWithoutAGroupGivesZero) {
    engine.SetMainWindow(nullptr);  // would make the null comparisons hold
    Kch_Quantifier& q = NewQuantifier(OperationId::WindowHasFocus);
    EXPECT_EQ(EvaluateOnFreshThread(engine, q), 0.0f);
    EXPECT_EQ(Evaluate(q), 0.0f);
}

// A thread that has never made a window has no active window: null, which equals a null
// main window (tests 1 and 2) or a null group window (test 3).
TEST_F(Win32FocusWithoutWindows, NullWindowsEqualEachOther) {
    struct Case {
        const char* label;
        OrnWindow mainWindow;
        OrnWindow groupWindow;
    };
    const Case cases[] = {
        {"no main window, no group window", nullptr, nullptr},
        {"a main window, no group window", kNoWindowA, nullptr},
        {"no main window, a group window", nullptr, kNoWindowB},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        engine.SetMainWindow(c.mainWindow);
        Orn_ChannelGroup group(std::nullopt, c.groupWindow);
        Kch_Quantifier& q = NewQuantifier(OperationId::WindowHasFocus);
        q.SetChannelGroup(&group);
        EXPECT_EQ(EvaluateOnFreshThread(engine, q), 1.0f);
    }
}

class Win32Focus : public QuantifierTest {
protected:
    void SetUp() override {
        main = windows.TopLevel();
        if (main == nullptr)
            GTEST_SKIP() << "no window can be made here (Wine needs a display or its null "
                            "graphics driver)";
        mainChild = windows.Child(main);
        mainGrandchild = windows.Child(mainChild);
        popup = windows.OwnedPopup(main);
        popupOfPopup = windows.OwnedPopup(popup);
        popupChild = windows.Child(popup);
        other = windows.TopLevel();
        otherChild = windows.Child(other);
        front = windows.TopLevel();
        frontChild = windows.Child(front);
        for (HWND w : {mainChild, mainGrandchild, popup, popupOfPopup, popupChild, other,
                       otherChild, front, frontChild})
            ASSERT_NE(w, nullptr);
    }

    // Makes `window` the active and the foreground window; false when the system refuses
    // (Windows may keep the foreground from a process the user is not working with).
    bool Activate(HWND window) {
        ::SetForegroundWindow(window);
        ::SetActiveWindow(window);
        DispatchPendingMessages();
        return ::GetActiveWindow() == window && ::GetForegroundWindow() == window;
    }

    DesktopWindows windows;
    HWND main = nullptr, mainChild = nullptr, mainGrandchild = nullptr, popup = nullptr,
         popupOfPopup = nullptr, popupChild = nullptr, other = nullptr, otherChild = nullptr,
         front = nullptr, frontChild = nullptr;
};

TEST_F(Win32Focus, AncestorsClimbParentsForTheRootAndOwnersForTheRootOwner) {
    using platform::AncestorKind;
    struct Case {
        const char* label;
        HWND window;
        HWND root;
        HWND rootOwner;
    };
    const Case cases[] = {
        {"null", nullptr, nullptr, nullptr},
        {"top-level", main, main, main},
        {"child", mainChild, main, main},
        {"grandchild", mainGrandchild, main, main},
        {"owned pop-up", popup, popup, main},
        {"pop-up owned by a pop-up", popupOfPopup, popupOfPopup, main},
        {"child of an owned pop-up", popupChild, popup, main},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(platform::GetAncestor(c.window, AncestorKind::Root), c.root);
        EXPECT_EQ(platform::GetAncestor(c.window, AncestorKind::RootOwner), c.rootOwner);
    }
}

TEST_F(Win32Focus, OneOfFourIdentitiesMustHold) {
    struct Case {
        const char* label;
        HWND active;  // also the foreground window: the test's thread is the one in front
        OrnWindow mainWindow;
        OrnWindow groupWindow;
        float expected;
    };
    const Case cases[] = {
        {"the active window is the main window", main, main, other, 1.0f},
        {"the active window's root owner is the main window", popup, main, other, 1.0f},
        {"the active window's owner's owner is the main window", popupOfPopup, main, other, 1.0f},
        {"the group's window is the active window", other, main, other, 1.0f},
        {"the root of the group's window is in the foreground", front, main, frontChild, 1.0f},
        {"none holds", front, main, other, 0.0f},
        {"the group's window is a child of a window not in front", front, main, otherChild, 0.0f},
        {"the main window is a child of the active window", main, mainChild, other, 0.0f},
        {"no main and no group window, an active window", front, nullptr, nullptr, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        if (!Activate(c.active)) GTEST_SKIP() << "the system keeps the foreground elsewhere";
        engine.SetMainWindow(c.mainWindow);
        Orn_ChannelGroup group(std::nullopt, c.groupWindow);
        Kch_Quantifier& q = NewQuantifier(OperationId::WindowHasFocus);
        q.SetChannelGroup(&group);
        EXPECT_TRUE(SameBits(c.expected, Evaluate(q)));
    }
}

TEST_F(Win32Focus, TheActiveWindowIsTheEvaluatingThreads) {
    if (!Activate(main)) GTEST_SKIP() << "the system keeps the foreground elsewhere";
    engine.SetMainWindow(main);
    Orn_ChannelGroup group(std::nullopt, other);
    Kch_Quantifier& q = NewQuantifier(OperationId::WindowHasFocus);
    q.SetChannelGroup(&group);
    EXPECT_EQ(Evaluate(q), 1.0f);
    // Elsewhere no window is active and the group's window is not in front.
    EXPECT_EQ(EvaluateOnFreshThread(engine, q), 0.0f);
    // The foreground is the same for every thread.
    group.SetGroupWindow(mainChild);
    EXPECT_EQ(EvaluateOnFreshThread(engine, q), 1.0f);
}

}  // namespace
