// The plug-in as the engine meets it: loaded by file name, entered by the two names.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "DynamicLibrary.h"
#include "Kch_Quantifier.h"
#include "Orn_Engine.h"
#include "Orn_Guids.h"
#include "support/BuildPaths.h"

namespace {
using GetTypeFunction = ChannelType* (*)();
using InitDllFunction = Kch_Quantifier* (*)();

platform::DynamicLibrary LoadPlugin() {
    std::string error;
    auto library = platform::DynamicLibrary::Open(build_paths::kPlugin, &error);
    EXPECT_TRUE(library.IsOpen()) << error;
    return library;
}

TEST(PluginEntry, BothEntryPointsAreFoundByName) {
    const auto library = LoadPlugin();
    EXPECT_NE(library.Symbol("GetType"), nullptr);
    EXPECT_NE(library.Symbol("InitDLL"), nullptr);
}

TEST(PluginEntry, GetTypeReturnsOneRecordWithTheTypeIdentity) {
    const auto library = LoadPlugin();
    auto getType = reinterpret_cast<GetTypeFunction>(library.Symbol("GetType"));
    ASSERT_NE(getType, nullptr);
    ChannelType* first = getType();
    ASSERT_NE(first, nullptr);
    // A host may scribble on the record; the next call writes the identity again.
    std::strcpy(first->name, "changed");
    first->typeVersion = 7;
    ChannelType* second = getType();
    EXPECT_EQ(first, second);
    EXPECT_STREQ(second->name, "Quantifier");
    EXPECT_EQ(second->typeGuid, OrnGuidOf("{3164909D-47F3-43EF-8DF8-E8E95E8E22ED}"));
    EXPECT_EQ(second->interfaceGuid, orn_guid::kFloatInterface);
    EXPECT_EQ(second->typeVersion, 1);
}

TEST(PluginEntry, InitDllMakesIndependentChannels) {
    const auto library = LoadPlugin();
    auto initDll = reinterpret_cast<InitDllFunction>(library.Symbol("InitDLL"));
    ASSERT_NE(initDll, nullptr);
    std::unique_ptr<Kch_Quantifier> a(initDll());
    std::unique_ptr<Kch_Quantifier> b(initDll());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a.get(), b.get());
    a->SetOperationType(18);
    a->CallChannel();
    b->SetStoreCurrentValue(true);
    EXPECT_EQ(a->GetOperationType(), 18);
    EXPECT_EQ(b->GetOperationType(), 0);
    EXPECT_FALSE(a->GetStoreCurrentValue());
    EXPECT_TRUE(b->GetStoreCurrentValue());
    // a's toggle flipped; b's did not.
    globalEngine->BeginRender();
    EXPECT_EQ(a->GetFloat(), 1.0f);
    b->SetOperationType(18);
    EXPECT_EQ(b->GetFloat(), 0.0f);
}
}  // namespace
