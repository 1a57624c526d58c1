// quantifier-run started as Windows starts it, with a UTF-16 command line: paths with characters
// outside any ANSI code page, drive paths and paths starting with '/' (as MSYS, Git Bash and
// Wine write them) are paths, read and saved beside.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "support/BuildPaths.h"
#include "support/windows/Win32TestSupport.h"

namespace {
namespace fs = std::filesystem;

// Runs the program with `arguments` (already quoted where needed); its exit status.
DWORD RunProgram(const std::wstring& arguments) {
    const std::wstring program = FsPath(build_paths::kRunner).wstring();
    std::wstring line = L"\"" + program + L"\" " + arguments + L" --plugin \"" +
                        FsPath(build_paths::kPlugin).wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

std::wstring Quote(const fs::path& path) {
    return L"\"" + path.wstring() + L"\"";
}

TEST(RunnerCommandLineWin32, PathsOutsideTheCodePageAndStartingWithASlashAreRead) {
    // Beside the program, on the drive Wine maps to the build machine's root, so the same folder
    // also has a path starting with '/'.
    std::random_device random;
    const fs::path folder =
        FsPath(build_paths::kRunner).parent_path() /
        (L"\u03a3\u03ba\u03b7\u03bd\u03ae-\u5834\u666f-" + std::to_wstring(random()));
    fs::create_directories(folder);
    std::ofstream(folder / "scene.json")
        << R"({"channels": [{"name": "a", "type": "float", "value": 1}], "outputs": ["a"]})";
    const std::wstring drivePath = (folder / "scene.json").wstring();
    ASSERT_EQ(drivePath.substr(1, 1), L":") << "a drive path";
    std::wstring slashPath = drivePath.substr(2);
    for (wchar_t& c : slashPath)
        c = c == L'\\' ? L'/' : c;

    struct Case {
        const char* what;
        std::wstring scene;
        const char* saved;
    };
    const Case cases[] = {
        {"a drive path", Quote(drivePath), "drive.orn"},
        {"a path starting with '/'", L"\"" + slashPath + L"\"", "slash.orn"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path saved = folder / c.saved;
        EXPECT_EQ(RunProgram(c.scene + L" --save " + Quote(saved)), 0u);
        EXPECT_TRUE(fs::is_regular_file(saved));
        EXPECT_EQ(RunProgram(c.scene + L" --load " + Quote(saved)), 0u) << "and loaded back";
    }
    // Windows-style options are not options here: "/help" is a scene path that is not there.
    EXPECT_EQ(RunProgram(L"/help"), 2u);
    fs::remove_all(folder);
}

}  // namespace
