#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ChildProcess.h"

extern char** environ;

namespace platform {
namespace {

void CloseIfOpen(intptr_t& fd) {
    if (fd >= 0) close(static_cast<int>(fd));
    fd = -1;
}

// Waits until `fd` is ready for `events`, calling `whileWaiting` between looks. A poll that
// fails leaves the read or write that follows to report the failure.
void AwaitReady(intptr_t fd, short events, const std::function<void()>& whileWaiting) {
    for (;;) {
        pollfd ready{static_cast<int>(fd), events, 0};
        const int count = poll(&ready, 1, 50);
        if (count > 0 || (count < 0 && errno != EINTR)) return;
        whileWaiting();
    }
}

}  // namespace

ChildProcess ChildProcess::Start(const std::string& command, std::string* error,
                                 std::function<void()> whileWaiting) {
    ChildProcess child;
    child.apart = static_cast<bool>(whileWaiting);
    child.whileWaiting = std::move(whileWaiting);
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0) {
        if (error) *error = std::strerror(errno);
        return child;
    }
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        if (error) *error = std::strerror(errno);
        close(toChild[0]);
        close(toChild[1]);
        return child;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (child.apart) {
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, "/bin/sh", &actions, &attributes,
                                   const_cast<char* const*>(argv), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    if (failed != 0) {
        if (error) *error = std::strerror(failed);
        close(toChild[1]);
        close(fromChild[0]);
        return child;
    }
    child.started = true;
    child.process = pid;
    child.input = toChild[1];
    child.output = fromChild[0];
    return child;
}

bool ChildProcess::Write(const uint8_t* data, size_t size, const OutputHandler& onOutput) {
    // A program that stopped reading must not end this one by SIGPIPE: the write fails instead,
    // and the signal it raised is taken back before it is unblocked, whichever way this ends.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    struct Mask {
        explicit Mask(const sigset_t& blocked) { pthread_sigmask(SIG_BLOCK, &blocked, &previous); }
        ~Mask() { pthread_sigmask(SIG_SETMASK, &previous, nullptr); }
        sigset_t previous;
    } mask(pipeSignal);
    const bool watchOutput = static_cast<bool>(onOutput);
    bool outputOpen = watchOutput && output >= 0;
    bool written = input >= 0;
    uint8_t heard[1 << 12];
    while (written && size > 0) {
        // A pipe that polls writable takes PIPE_BUF bytes without blocking.
        size_t piece = size;
        if (whileWaiting || watchOutput) {
            pollfd ready[2] = {{static_cast<int>(input), POLLOUT, 0},
                               {static_cast<int>(outputOpen ? output : -1), POLLIN, 0}};
            const int count = poll(ready, 2, 50);
            if (count == 0 || (count < 0 && errno == EINTR)) {
                if (whileWaiting) whileWaiting();
                continue;
            }
            if (count > 0 && ready[1].revents != 0) {
                const ssize_t got = read(static_cast<int>(output), heard, sizeof heard);
                if (got > 0) onOutput(heard, static_cast<size_t>(got));
                if (got == 0 || (got < 0 && errno != EINTR)) outputOpen = false;
                if (ready[0].revents == 0) continue;
            }
            piece = std::min<size_t>(size, PIPE_BUF);
        }
        const ssize_t count = write(static_cast<int>(input), data, piece);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            written = false;
            break;
        }
        data += count;
        size -= static_cast<size_t>(count);
    }
    if (!written) {
        const timespec none{};
        while (sigtimedwait(&pipeSignal, nullptr, &none) == SIGPIPE) {
        }
    }
    return written;
}

void ChildProcess::CloseInput() {
    CloseIfOpen(input);
}

std::optional<size_t> ChildProcess::Read(uint8_t* buffer, size_t capacity) {
    if (output < 0) return size_t{0};
    for (;;) {
        if (whileWaiting) AwaitReady(output, POLLIN, whileWaiting);
        const ssize_t count = read(static_cast<int>(output), buffer, capacity);
        if (count >= 0) return static_cast<size_t>(count);
        if (errno != EINTR) return std::nullopt;
    }
}

void ChildProcess::End() {
    CloseIfOpen(input);
    CloseIfOpen(output);
    // Not asked but ended: the program's results come to this one, so it has nothing of its own
    // to finish. Until Wait reaps the shell, neither its process id nor its group can be reused.
    const pid_t pid = static_cast<pid_t>(process);
    kill(apart ? -pid : pid, SIGKILL);
}

std::string ChildProcess::Wait() {
    CloseIfOpen(input);
    CloseIfOpen(output);
    if (!started) return "not started";
    started = false;
    int status = 0;
    while (waitpid(static_cast<pid_t>(process), &status, 0) < 0) {
        if (errno != EINTR) return std::strerror(errno);
    }
    if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "stopped by signal " + std::to_string(WTERMSIG(status));
    return "ended";
}

}  // namespace platform
