// Another program run beside this one, fed through its standard input and read through its
// standard output; its standard error is this program's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

class ChildProcess {
public:
    // Starts `command` through the system's command interpreter (/bin/sh -c, or cmd /c on
    // Windows). On failure the object is not running and `error` holds the system's reason.
    // With `whileWaiting`, Read (and on POSIX Write) call it about every 50 ms while they wait
    // for the program, and it may throw to give the program up; on POSIX such a program then
    // runs in a process group of its own, so that Ctrl-C at a terminal reaches only its owner,
    // which decides, and so that ending it ends whatever its shell started as well.
    static ChildProcess Start(const std::string& command, std::string* error = nullptr,
                              std::function<void()> whileWaiting = {});

    ChildProcess() = default;
    // Closes both pipes, ends the program if it was not waited for (its owner gave it up while
    // it may still be working) and waits for it to end.
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Running() const { return started; }
    // Writes all of `data` to its standard input; false when it stopped reading. With
    // `onOutput`, what the program writes meanwhile is handed to it as it comes (it may throw to
    // give the program up), so that a program that writes before it has read everything cannot
    // hold both up; on Windows, whose anonymous pipes cannot be waited on together, it is not
    // read until the write is done.
    using OutputHandler = std::function<void(const uint8_t* data, size_t size)>;
    bool Write(const uint8_t* data, size_t size, const OutputHandler& onOutput = {});
    // Ends its standard input.
    void CloseInput();
    // Reads what it has written so far, at most `capacity` bytes, waiting for some; 0 at the
    // end of its output, nothing when reading failed.
    std::optional<size_t> Read(uint8_t* buffer, size_t capacity);
    // Waits for it to end: its exit status, or a description of how it was stopped.
    std::string Wait();

private:
    // Ends the program that Wait would otherwise wait for.
    void End();

    bool started = false;
    bool apart = false;  // the leader of its own process group
    std::function<void()> whileWaiting;
    intptr_t process = -1;
    intptr_t input = -1;
    intptr_t output = -1;
};

}  // namespace platform
