// The window system of POSIX builds: a model the host sets up, answering the window calls of
// Platform.h. Built as a shared library so that one model serves the host and the plug-in.
#include <cstdint>
#include <map>
#include <mutex>

#include "Platform.h"
#include "WindowModel.h"

namespace platform {
namespace {

struct Window {
    // For a child window its parent, for a top-level window its owner: the chain Win32's
    // GetParent follows, which is what GA_ROOTOWNER climbs.
    WindowHandle up = nullptr;
    bool isChild = false;
};

struct Model {
    std::mutex mutex;
    std::map<WindowHandle, Window> windows;
    std::map<std::thread::id, WindowHandle> activeWindows;
    WindowHandle foreground = nullptr;
    uintptr_t nextHandle = 0x10010;
    bool logging = false;
    std::vector<window_model::WindowCall> log;

    void Log(window_model::WindowCall call) {
        if (logging) log.push_back(call);
    }
};

Model& TheModel() {
    static Model model;
    return model;
}

WindowHandle AddWindow(WindowHandle up, bool isChild) {
    Model& model = TheModel();
    const std::lock_guard lock(model.mutex);
    if (model.windows.find(up) == model.windows.end()) {
        up = nullptr;
        isChild = false;
    }
    // Handles are made-up identities, like Win32's, never dereferenced.
    const auto handle = reinterpret_cast<WindowHandle>(model.nextHandle);
    model.nextHandle += 0x10;
    model.windows[handle] = Window{up, isChild};
    return handle;
}

}  // namespace

WindowHandle GetActiveWindow() {
    Model& model = TheModel();
    const std::lock_guard lock(model.mutex);
    model.Log(window_model::WindowCall::ActiveWindow);
    const auto found = model.activeWindows.find(std::this_thread::get_id());
    return found == model.activeWindows.end() ? nullptr : found->second;
}

WindowHandle GetForegroundWindow() {
    Model& model = TheModel();
    const std::lock_guard lock(model.mutex);
    model.Log(window_model::WindowCall::ForegroundWindow);
    return model.foreground;
}

WindowHandle GetAncestor(WindowHandle window, AncestorKind kind) {
    Model& model = TheModel();
    const std::lock_guard lock(model.mutex);
    if (kind != AncestorKind::Root && kind != AncestorKind::RootOwner) return nullptr;
    model.Log(kind == AncestorKind::Root ? window_model::WindowCall::AncestorRoot
                                         : window_model::WindowCall::AncestorRootOwner);
    auto found = model.windows.find(window);
    if (found == model.windows.end()) return nullptr;
    // A window's parent or owner is made before it, so both chains end.
    while (found->second.up != nullptr &&
           (found->second.isChild || kind == AncestorKind::RootOwner)) {
        window = found->second.up;
        found = model.windows.find(window);
    }
    return window;
}

namespace window_model {

WindowHandle CreateTopLevelWindow(WindowHandle owner) {
    return AddWindow(owner, false);
}
WindowHandle CreateChildWindow(WindowHandle parent) {
    return AddWindow(parent, true);
}

void SetActiveWindow(WindowHandle window) {
    SetActiveWindow(std::this_thread::get_id(), window);
}

void SetActiveWindow(std::thread::id thread, WindowHandle window) {
    Model& model = TheModel();
    const std::lock_guard lock(model.mutex);
    model.activeWindows[thread] = window;
}

void SetForegroundWindow(WindowHandle window) {
    Model& model = TheModel();
    const std::lock_guard lock(model.mutex);
    model.foreground = window;
}

void Reset() {
    Model& model = TheModel();
    const std::lock_guard lock(model.mutex);
    model.windows.clear();
    model.activeWindows.clear();
    model.foreground = nullptr;
    model.logging = false;
    model.log.clear();
}

std::vector<WindowCall> CallLog() {
    Model& model = TheModel();
    const std::lock_guard lock(model.mutex);
    return model.log;
}

void SetCallLogging(bool enabled) {
    Model& model = TheModel();
    const std::lock_guard lock(model.mutex);
    model.logging = enabled;
    if (enabled) model.log.clear();
}

}  // namespace window_model
}  // namespace platform
