// The window model behind the window calls of Platform.h where the OS has no Win32 window
// system (POSIX builds only; on Win32 the real window system answers and this is not built).
//
// A host that runs the plug-in sets the model up: which windows exist and who is whose parent
// or owner, which window is active on which thread and which one is in the foreground. The
// model lives in a shared library of its own, so that the host and every plug-in that links
// the platform layer see the same windows, as every program sees the one window system.
// Every call is safe from any thread.
#pragma once

#include <cstddef>
#include <thread>
#include <vector>

#include "Platform.h"

namespace platform::window_model {

// A new top-level window, owned by `owner` (null: unowned). An owner that the model does not
// know is taken as null. Returns a handle no other window of the model has had, never null.
WindowHandle CreateTopLevelWindow(WindowHandle owner = nullptr);
// A new child window of `parent`; a null or unknown parent makes a top-level window instead.
WindowHandle CreateChildWindow(WindowHandle parent);

// The active window of the calling thread, or of the given thread (null: none). Any handle is
// accepted, known to the model or not: GetActiveWindow hands back what was set.
void SetActiveWindow(WindowHandle window);
void SetActiveWindow(std::thread::id thread, WindowHandle window);
// The foreground window (null: none); any handle is accepted.
void SetForegroundWindow(WindowHandle window);

// Forgets every window, every active window and the foreground window, and stops and clears
// the call log.
void Reset();

// The window calls of Platform.h as they were made, oldest first, while logging is on: lets a
// host see that a channel asked the window system nothing, or in which order it asked.
// Switching logging on clears the log; it is off at start, so a long run does not grow it.
enum class WindowCall { ActiveWindow, ForegroundWindow, AncestorRoot, AncestorRootOwner };
void SetCallLogging(bool enabled);
std::vector<WindowCall> CallLog();

}  // namespace platform::window_model
