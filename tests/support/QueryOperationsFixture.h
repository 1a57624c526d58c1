// The fixture of the file, window and engine-query operation tests, shared by the tests of
// every OS and those of one OS only.
#pragma once

#include <string>
#include <vector>

#include "support/FileTestSupport.h"
#include "support/QuantifierTestSupport.h"

class QueryOperationsFixture : public QuantifierTest {
protected:
    ~QueryOperationsFixture() override {
        for (Orn_Channel* channel : internalEntries)
            channelInternal->Forget(channel);
    }

    // A text child naming `path`, as narrow (UTF-8) or wide text.
    void AddPath(Orn_Channel& parent, const std::string& path, bool wide) {
        if (wide) {
            AddWideText(parent, Utf16(path));
        } else {
            AddText(parent, path);
        }
    }

    // Evaluates and checks that no handle was left open.
    float EvaluateClosingFiles(Kch_Quantifier& q) {
        const int before = OpenHandleCount();
        const float value = Evaluate(q);
        EXPECT_EQ(OpenHandleCount(), before) << "a handle was left open";
        return value;
    }

    TempDirectory dir;
    std::vector<Orn_Channel*> internalEntries;
};
