#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string_view>

#include "ProgramStart.h"
#include "TextCodec.h"

namespace platform {

// A lone surrogate in an argument becomes U+FFFD, as the system's own conversion makes it.
std::vector<std::string> CommandLineArguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (wide == nullptr) return arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(
            *codec::Utf16ToUtf8(std::wstring_view(wide[i]), codec::OnInvalid::Replace));
    LocalFree(wide);
    return arguments;
}

void ReportFileSizeLimitAsError() {}

}  // namespace platform
