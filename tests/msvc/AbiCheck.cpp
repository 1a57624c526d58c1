// What only a host built in the engine's own ABI can see of the plug-in: it is loaded by file,
// found by its Microsoft-decorated names, destroyed through the first slot of its virtual
// table, and an exception thrown by a host child unwinds through its frames. Built by
// scripts/msvc-build.sh and run under Wine by scripts/msvc-faults.sh.
// Usage: abi-check.exe [PLUGIN.dll]; prints one line per check and "N passed, N failed".
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "Kch_ObjectChannel.h"
#include "Kch_Quantifier.h"
#include "OperationTable.h"
#include "Orn_ChannelInternal.h"
#include "Orn_Engine.h"

namespace {

int passed = 0;
int failed = 0;

void Check(bool ok, const char* what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    (ok ? passed : failed) += 1;
}

// A static with a constructor: empty unless the program's static initialisers ran.
const std::string kInitialised = "initialised";

struct HostFailure : std::runtime_error {
    HostFailure() : std::runtime_error("host call failed") {}
};

// An object whose region test throws when armed, in the middle of PlacedObjectTest, after the
// plug-in has moved the inner object and before it puts it back.
class ThrowingObject : public Kch_ObjectChannel {
public:
    bool GetTestResult() override {
        if (armed) {
            armed = false;
            throw HostFailure();
        }
        return Kch_ObjectChannel::GetTestResult();
    }
    bool armed = false;
};

using InitDll = Kch_Quantifier* (*)();

Kch_Quantifier* Make(InitDll initDll, int operation, Orn_Channel& child) {
    Kch_Quantifier* quantifier = initDll();
    quantifier->SetOperationType(operation);
    quantifier->SetChild(&child, -1, 0);
    return quantifier;
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "Quantifier.dll";
    HMODULE plugin = LoadLibraryA(path);
    if (!plugin) {
        std::printf("FAIL cannot load %s (error %lu)\n0 passed, 1 failed\n", path, GetLastError());
        return 1;
    }
    Check(kInitialised == "initialised", "the program's static initialisers ran");

    const auto initDll = reinterpret_cast<InitDll>(GetProcAddress(plugin, "InitDLL"));
    Check(initDll != nullptr && GetProcAddress(plugin, "GetType") != nullptr,
          "GetType and InitDLL are found by their plain names");
    // The class is exported whole: a host compiled against its header calls these names.
    const void* table =
        reinterpret_cast<const void*>(GetProcAddress(plugin, "??_7Kch_Quantifier@@6B@"));
    const void* getFloat =
        reinterpret_cast<const void*>(GetProcAddress(plugin, "?GetFloat@Kch_Quantifier@@UEAAMXZ"));
    Check(table != nullptr && getFloat != nullptr,
          "the virtual table and GetFloat are found by their decorated names");
    if (!initDll || !table) {
        std::printf("%d passed, %d failed\n", passed, failed);
        return 1;
    }

    OrnEngine engine;
    ScopedGlobalEngine engineScope{engine};
    engine.SetFrameTime(0.5f);
    engine.BeginRender();

    // Destroyed through slot 0, the scalar deleting destructor: the plug-in's destructor runs
    // (it releases the timer it took) and its memory goes back to the heap it came from.
    {
        Kch_FloatChannel floatChild;
        const int timersBefore = Kch_FrameTimer::LiveCount();
        Orn_Channel* channel = Make(initDll, 0, floatChild);
        Check(*reinterpret_cast<const void* const*>(channel) == table,
              "a new channel's virtual table is the exported one");
        Check(Kch_FrameTimer::LiveCount() == timersBefore + 1, "the channel took a frame timer");
        delete channel;
        Check(Kch_FrameTimer::LiveCount() == timersBefore,
              "deleting through the base class released the timer");
    }

    // A host child throws in the middle of an evaluation: the exception reaches the host as the
    // child threw it, the inner object the operation moved is put back on the way out, the
    // channel keeps the value it had, and at the next render it gives what a twin gives.
    {
        const int operation = static_cast<int>(OperationId::PlacedObjectTest);
        ThrowingObject object;
        object.SetHasInnerObject(true);
        object.SetTestRegion({-1, -1, -1}, {1, 1, 1});
        Kch_Quantifier* quantifier = Make(initDll, operation, object);
        Kch_Quantifier* twin = Make(initDll, operation, object);
        const float before = quantifier->GetFloat();
        twin->GetFloat();
        const XMMATRIX inner = object.innerObject->GetObjectMatrix();
        XMMATRIX away = IdentityMatrix();
        away.m[3][0] = away.m[3][1] = away.m[3][2] = 5.0f;
        object.SetPlacementMatrix(away);
        engine.BeginRender();
        object.armed = true;
        std::string caught;
        try {
            quantifier->GetFloat();
        } catch (const HostFailure& failure) {
            caught = failure.what();
        } catch (...) {
            caught = "another exception";
        }
        Check(caught == "host call failed", "the child's exception reached the host as thrown");
        const XMMATRIX after = object.innerObject->GetObjectMatrix();
        Check(std::memcmp(&inner, &after, sizeof inner) == 0,
              "the inner object was put back while the exception unwound");
        // A second read in the failed render gets the value the channel kept.
        Check(quantifier->GetFloat() == before && before == 1.0f,
              "the channel kept the value it had");
        engine.BeginRender();
        const float next = quantifier->GetFloat();
        Check(next == twin->GetFloat() && next == 0.0f, "the next render goes on as a twin's");
        delete twin;
        delete quantifier;
    }

    std::printf("%d passed, %d failed\n", passed, failed);
    FreeLibrary(plugin);
    return failed == 0 ? 0 : 1;
}
