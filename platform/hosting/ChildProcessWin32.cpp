#include <windows.h>

#include <utility>

#include "ChildProcess.h"
#include "TextCodec.h"

namespace platform {
namespace {

HANDLE AsHandle(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

void CloseIfOpen(intptr_t& handle) {
    if (handle != -1) CloseHandle(AsHandle(handle));
    handle = -1;
}

std::string SystemMessage(DWORD code) {
    return "system error " + std::to_string(code);
}

}  // namespace

ChildProcess ChildProcess::Start(const std::string& command, std::string* error,
                                 std::function<void()> whileWaiting) {
    ChildProcess child;
    child.whileWaiting = std::move(whileWaiting);
    const std::optional<std::wstring> wide =
        codec::Utf8ToUtf16<wchar_t>(command, codec::OnInvalid::Refuse);
    if (!wide) {
        if (error) *error = "the command is not valid UTF-8";
        return child;
    }
    // Only the child's ends are inherited.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE childInput = nullptr, input = nullptr, output = nullptr, childOutput = nullptr;
    if (!CreatePipe(&childInput, &input, &inherit, 0)) {
        if (error) *error = SystemMessage(GetLastError());
        return child;
    }
    if (!CreatePipe(&output, &childOutput, &inherit, 0)) {
        if (error) *error = SystemMessage(GetLastError());
        CloseHandle(childInput);
        CloseHandle(input);
        return child;
    }
    SetHandleInformation(input, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(output, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::wstring line = L"cmd.exe /d /s /c \"" + *wide + L"\"";
    PROCESS_INFORMATION info{};
    const BOOL made = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                     nullptr, &startup, &info);
    const DWORD reason = GetLastError();
    CloseHandle(childInput);
    CloseHandle(childOutput);
    if (!made) {
        if (error) *error = SystemMessage(reason);
        CloseHandle(input);
        CloseHandle(output);
        return child;
    }
    CloseHandle(info.hThread);
    child.started = true;
    child.process = reinterpret_cast<intptr_t>(info.hProcess);
    child.input = reinterpret_cast<intptr_t>(input);
    child.output = reinterpret_cast<intptr_t>(output);
    return child;
}

bool ChildProcess::Write(const uint8_t* data, size_t size, const OutputHandler& /*onOutput*/) {
    while (input != -1 && size > 0) {
        DWORD written = 0;
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        if (!WriteFile(AsHandle(input), data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return input != -1;
}

void ChildProcess::CloseInput() {
    CloseIfOpen(input);
}

std::optional<size_t> ChildProcess::Read(uint8_t* buffer, size_t capacity) {
    if (output == -1) return size_t{0};
    // An anonymous pipe cannot be waited on with a time limit: it is looked into instead. A look
    // that fails leaves ReadFile to say why.
    for (DWORD available = 0; whileWaiting;) {
        if (!PeekNamedPipe(AsHandle(output), nullptr, 0, nullptr, &available, nullptr) ||
            available > 0)
            break;
        whileWaiting();
        Sleep(50);
    }
    DWORD count = 0;
    const DWORD chunk = capacity > (1u << 30) ? (1u << 30) : static_cast<DWORD>(capacity);
    if (ReadFile(AsHandle(output), buffer, chunk, &count, nullptr)) return size_t{count};
    // The other end closed: the end of its output.
    if (GetLastError() == ERROR_BROKEN_PIPE) return size_t{0};
    return std::nullopt;
}

void ChildProcess::End() {
    CloseIfOpen(input);
    CloseIfOpen(output);
    TerminateProcess(AsHandle(process), 1);
}

std::string ChildProcess::Wait() {
    CloseIfOpen(input);
    CloseIfOpen(output);
    if (!started) return "not started";
    started = false;
    WaitForSingleObject(AsHandle(process), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(AsHandle(process), &code);
    CloseIfOpen(process);
    return "exit status " + std::to_string(code);
}

}  // namespace platform
