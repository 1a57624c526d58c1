// A fuzz target's seed corpus held to what this build makes: each seed a file of
// fuzz/corpus/<corpus>/. With QUANTIFIER_WRITE_CORPUS set, the folder is written anew first, so
// that a change of a format is one run away from seeds that reach past its first check.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>
#include "support/BuildPaths.h"

using SeedFiles = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

inline void ExpectSeedCorpus(const std::string& corpus, const SeedFiles& seeds) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(build_paths::kFuzzCorpus) / corpus;
    if (std::getenv("QUANTIFIER_WRITE_CORPUS") != nullptr) {
        fs::create_directories(folder);
        for (const auto& entry : fs::directory_iterator(folder))
            fs::remove(entry.path());
        for (const auto& [file, bytes] : seeds)
            std::ofstream(folder / file, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
    }
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, seeds.size());
    for (const auto& [file, bytes] : seeds) {
        SCOPED_TRACE(file);
        std::ifstream in(folder / file, std::ios::binary);
        const std::vector<uint8_t> stored{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
        EXPECT_EQ(stored, bytes);
    }
}
