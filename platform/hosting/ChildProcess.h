// Another program run beside this one, fed through its standard input and read through its
// standard output; its standard error is this program's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

class ChildProcess {
public:
    // Starts `command` through the system's command interpreter (/bin/sh -c, or cmd /c on
    // Windows). On failure the object is not running and `error` holds the system's reason.
    static ChildProcess Start(const std::string& command, std::string* error = nullptr);

    ChildProcess() = default;
    // Closes both pipes and waits for the program to end.
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Running() const { return started; }
    // Writes all of `data` to its standard input; false when it stopped reading.
    bool Write(const uint8_t* data, size_t size);
    // Ends its standard input.
    void CloseInput();
    // Reads what it has written so far, at most `capacity` bytes, waiting for some; 0 at the
    // end of its output, nothing when reading failed.
    std::optional<size_t> Read(uint8_t* buffer, size_t capacity);
    // Waits for it to end: its exit status, or a description of how it was stopped.
    std::string Wait();

private:
    bool started = false;
    intptr_t process = -1;
    intptr_t input = -1;
    intptr_t output = -1;
};

}  // namespace platform
