// Replacing a scene file on Windows, where another program's open handle stands in the way of
// the replacement for a while or for good.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/SceneFileFixture.h"
#include "support/windows/Win32TestSupport.h"

namespace {
using namespace scene_bytes;

class Win32SceneFile : public SceneFile {};

TEST_F(Win32SceneFile, AnotherProgramsHandleOnTheTargetDecidesWhetherTheSaveGoesThrough) {
    const std::string path = Path("scene.orns");
    const Bytes old = Stream({Record({Block("NAME", Text("old"))})});
    const OrnFileSaver newer = OneChannel("newer");
    struct Case {
        const char* label;
        DWORD share;         // of the other program's read handle
        int releaseAfterMs;  // -1: held until the save is over
        bool saved;
    };
    const Case cases[] = {
        {"a reader not sharing deletion, gone after 100 ms", FILE_SHARE_READ, 100, true},
        {"a reader not sharing deletion that stays", FILE_SHARE_READ, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Write(path, old);
        ScopedHandle reader = OpenAs(path, GENERIC_READ, c.share);
        ASSERT_TRUE(reader.IsOpen());
        std::thread release([&] {
            if (c.releaseAfterMs < 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(c.releaseAfterMs));
            reader.Close();
        });
        std::string error;
        const bool saved = newer.WriteToFile(path, &error);
        release.join();
        reader.Close();
        EXPECT_EQ(saved, c.saved) << error;
        EXPECT_EQ(Read(path), c.saved ? newer.Data() : old);
        if (!c.saved) {
            EXPECT_NE(error.find("scene.orns"), std::string::npos) << error;
        }
        EXPECT_EQ(Entries(), std::vector<std::string>{"scene.orns"}) << "no temporary file left";
    }
}

}  // namespace
