// The plug-in as a Windows engine meets it: a DLL loaded by path with LoadLibraryW, entered
// by undecorated names found with GetProcAddress, which tells the loader it wants no thread
// notifications.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "DynamicLibrary.h"
#include "Kch_Quantifier.h"
#include "Orn_Engine.h"
#include "Orn_Guids.h"
#include "support/BuildPaths.h"
#include "support/windows/Win32TestSupport.h"

namespace {

using GetTypeFunction = ChannelType* (*)();
using InitDllFunction = Kch_Quantifier* (*)();

std::wstring PluginPath() {
    return Wide(build_paths::kPlugin);
}

struct ModuleDeleter {
    void operator()(HMODULE module) const { ::FreeLibrary(module); }
};
using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleDeleter>;

void* Entry(HMODULE module, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(module, name));
}

TEST(Win32PluginLoad, EntryPointsAreExportedUndecoratedBesideTheClass) {
    const Module module(::LoadLibraryW(PluginPath().c_str()));
    ASSERT_NE(module, nullptr) << "error " << ::GetLastError();
    struct Case {
        const char* name;
        bool exported;
    };
    const Case cases[] = {
        {"GetType", true},
        {"InitDLL", true},
        {"_ZN14Kch_Quantifier14CalculateValueEv", true},
        {"_ZTV14Kch_Quantifier", true},
        // Decorations a 32-bit or C++ linkage would have added.
        {"_GetType", false},
        {"GetType@0", false},
        {"_InitDLL@0", false},
        {"_Z7GetTypev", false},
        {"DllMain", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Entry(module.get(), c.name) != nullptr, c.exported);
    }
    auto getType = reinterpret_cast<GetTypeFunction>(Entry(module.get(), "GetType"));
    auto initDll = reinterpret_cast<InitDllFunction>(Entry(module.get(), "InitDLL"));
    ASSERT_NE(getType, nullptr);
    ASSERT_NE(initDll, nullptr);
    EXPECT_STREQ(getType()->name, "Quantifier");
    EXPECT_EQ(getType()->interfaceGuid, orn_guid::kFloatInterface);
    OrnEngine engine;
    ScopedGlobalEngine useEngine(engine);
    std::unique_ptr<Kch_Quantifier> channel(initDll());
    ASSERT_NE(channel, nullptr);
    channel->SetOperationType(18);
    EXPECT_EQ(channel->GetOperationType(), 18);
}

// The loader keeps, per module, whether DLL_THREAD_ATTACH/DETACH reach its DllMain; the
// plug-in switches them off when it is attached. The flag sits in the loader's entry for the
// module (LDR_DATA_TABLE_ENTRY on x64: Flags at 0x68, bit 0x40000), which ntdll finds by
// address.
TEST(Win32PluginLoad, DllMainSwitchesOffThreadNotifications) {
    const Module module(::LoadLibraryW(PluginPath().c_str()));
    ASSERT_NE(module, nullptr);
    using FindEntry = LONG(WINAPI*)(const void* address, void** entry);
    const auto findEntry = reinterpret_cast<FindEntry>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "LdrFindEntryForAddress")));
    ASSERT_NE(findEntry, nullptr);
    constexpr size_t kFlags = 0x68;
    constexpr ULONG kDontCallForThreads = 0x40000;
    auto flagsOf = [&](HMODULE of) {
        void* entry = nullptr;
        EXPECT_EQ(findEntry(of, &entry), 0);
        ULONG flags = 0;
        if (entry != nullptr) std::memcpy(&flags, static_cast<char*>(entry) + kFlags, sizeof flags);
        return flags;
    };
    EXPECT_NE(flagsOf(module.get()) & kDontCallForThreads, 0u);
    // The test program's own runtime wants them: the flag is not set everywhere.
    EXPECT_EQ(flagsOf(::GetModuleHandleW(L"libwinpthread-1.dll")) & kDontCallForThreads, 0u);
}

// platform::DynamicLibrary takes UTF-8 paths and hands them to LoadLibraryW as UTF-16, so a
// plug-in in a folder with a non-ASCII name loads.
TEST(Win32PluginLoad, DynamicLibraryLoadsFromUtf8Paths) {
    TempDirectory dir;
    const std::string folder = dir.Directory("plug-ins caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80");
    const std::string copy = Utf8(FsPath(folder) / "Quantifier-\xC3\xBC.dll");
    std::filesystem::copy_file(std::filesystem::path(PluginPath()), FsPath(copy));
    {
        std::string error;
        const auto library = platform::DynamicLibrary::Open(copy, &error);
        ASSERT_TRUE(library.IsOpen()) << error;
        auto getType = reinterpret_cast<GetTypeFunction>(library.Symbol("GetType"));
        ASSERT_NE(getType, nullptr);
        EXPECT_STREQ(getType()->name, "Quantifier");
        EXPECT_EQ(library.Symbol("NoSuchEntry"), nullptr);
    }
    struct Case {
        const char* label;
        std::string path;
    };
    const Case cases[] = {
        {"missing file", dir.Path("missing.dll")},
        {"not UTF-8", Utf8(dir.Root()) + "\\bad-\xC3(.dll"},
        {"not a DLL", dir.File("empty.dll", 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string error;
        const auto library = platform::DynamicLibrary::Open(c.path, &error);
        EXPECT_FALSE(library.IsOpen());
        EXPECT_NE(error.find("cannot load " + c.path), std::string::npos) << error;
        EXPECT_EQ(library.Symbol("GetType"), nullptr);
    }
}

}  // namespace
