// Saving scene streams to files, each test in a fresh directory; shared by the tests of every
// OS and those of one OS only.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Orn_FileStream.h"
#include "support/FileTestSupport.h"
#include "support/SceneBytes.h"

class SceneFile : public ::testing::Test {
protected:
    using Bytes = scene_bytes::Bytes;

    std::string Path(const std::string& name) const { return dir.Path(name); }
    static Bytes Read(const std::string& path) {
        std::ifstream in(FsPath(path), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static void Write(const std::string& path, const Bytes& bytes) {
        std::ofstream(FsPath(path), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<std::string> Entries() const { return dir.Entries(); }
    static OrnFileSaver OneChannel(const std::string& name) {
        OrnFileSaver saver;
        saver.BeginChannel();
        saver.SaveTag("NAME");
        saver.SaveBlockSize(static_cast<uint32_t>(name.size()));
        saver.SaveDataToFile(name.data(), name.size());
        saver.EndChannel();
        return saver;
    }

    TempDirectory dir;
};
