// A host call that throws in the middle of an evaluation: the exception leaves GetFloat as it
// is, the channel keeps the value it had, nothing it acquired stays behind, and at the next
// render it goes on exactly as a twin channel that never saw the failed render. Every host call
// of every operation is made to throw in turn: the n-th call on one child or engine object.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Orn_Guids.h"
#include "support/InstrumentedChannel.h"
#include "support/QuantifierTestSupport.h"

namespace {
using K = ChildKind;

struct HostFailure : std::runtime_error {
    HostFailure() : std::runtime_error("host call failed") {}
};

// Counts the calls on one host object while armed and throws at the chosen one.
struct Tripwire {
    int throwAt = 0;  // 0: disarmed
    int calls = 0;
    void Step() {
        if (throwAt == 0) return;
        if (++calls == throwAt) throw HostFailure();
    }
    void Arm(int n) {
        throwAt = n;
        calls = 0;
    }
    // Every instrumented call of a host object steps this tripwire.
    ChannelHook Hook() {
        return [this](std::string_view) -> ChannelAnswer {
            Step();
            return {};
        };
    }
};

// Makes frame timers that can be made to throw, and keeps track of them.
class TripEngine : public OrnEngine {
public:
    Orn_Channel* CreateObject(const OrnGuid& classGuid, int, int) override {
        if (classGuid != orn_guid::kFrameTimerClass) return nullptr;
        auto* timer = new Instrumented<Kch_FrameTimer>(&frameTime);
        timer->hook = timerTrips.emplace_back().Hook();
        return timer;
    }
    std::deque<Tripwire> timerTrips;  // the timers are owned by the quantifiers
    float frameTime = 50.0f;          // a change is divided by 50 x 0.04 = 2
};

// Values that change after the first render, so that state kept from it shows.
float FloatAt(int slot, int render) {
    constexpr float kBase[3] = {0.0f, 10.0f, 3.0f};
    return kBase[slot] + (render > 1 ? 1.0f : 0.0f);
}
XMMATRIX MatrixAt(int slot, int render) {
    XMMATRIX m = IdentityMatrix();
    // Each slot moves by its own amount, so distances change too.
    m.m[3][0] = FloatAt(slot, render) * static_cast<float>(slot + 1);
    m.m[3][1] = 2.0f * m.m[3][0];
    return m;
}
std::string TextAt(int slot, int render) {
    if (slot == 0) return render > 1 ? "aa" : "a";
    return render > 1 ? "baaab" : "banana";
}

// One channel and its children; `updates` give every child its value for a render.
struct Rig {
    Kch_Quantifier* quantifier = nullptr;
    std::deque<Tripwire> trips;
    std::vector<Tripwire*> childTrips;  // by slot
    std::vector<std::function<void(int)>> updates;
    std::vector<std::unique_ptr<Orn_Channel>> children;
    std::unique_ptr<Kch_Quantifier> owner;  // destroyed before the children

    ~Rig() {
        if (quantifier != nullptr) channelInternal->Forget(quantifier);
        for (auto& child : children)
            channelInternal->Forget(child.get());
    }
    template <class Base>
    Instrumented<Base>& Add(bool link = true) {
        auto child = std::make_unique<Instrumented<Base>>();
        Instrumented<Base>& ref = *child;
        if (link) quantifier->SetChild(&ref, -1, 0);
        ref.hook = trips.emplace_back().Hook();
        childTrips.push_back(&trips.back());
        children.push_back(std::move(child));
        return ref;
    }
    void Update(int render) {
        for (auto& update : updates)
            update(render);
    }
};

class HostExceptions : public ::testing::Test {
protected:
    HostExceptions() {
        camera.SetViewMatrix(IdentityMatrix());
        camera.hook = cameraTrip.Hook();
        engine.RegisterChannel(orn_guid::kCameraChannel, nullptr, &camera);
    }

    // A channel of the operation with a child of each kind its row takes; `name` tells apart
    // the float channels that the public calls of two rigs find.
    void Build(Rig& rig, int op, const std::string& name) {
        rig.owner.reset(InitDLL());
        rig.quantifier = rig.owner.get();
        rig.quantifier->SetOperationType(op);
        rig.quantifier->SetChannelGroup(&group);
        const OperationInfo& row = *FindOperation(op);
        for (int slot = 0; slot < static_cast<int>(row.children.size()); ++slot) {
            switch (row.children[static_cast<size_t>(slot)].kind) {
                case K::Float:
                case K::Any: {
                    auto& c = rig.Add<Kch_FloatChannel>();
                    rig.updates.push_back(
                        [&c, slot](int r) { c.Kch_FloatChannel::SetFloat(FloatAt(slot, r)); });
                    break;
                }
                case K::Vector: {
                    auto& c = rig.Add<Kch_VectorChannel>();
                    rig.updates.push_back([&c, slot](int r) {
                        const float v = FloatAt(slot, r);
                        c.SetVector({v, v + 1.0f, v + 2.0f, v + 3.0f});
                    });
                    break;
                }
                case K::Matrix: {
                    auto& c = rig.Add<Kch_MatrixChannel>();
                    rig.updates.push_back([&c, slot](int r) { c.SetMatrix(MatrixAt(slot, r)); });
                    break;
                }
                case K::Text: {
                    auto& c = rig.Add<Kch_TextChannel>();
                    rig.updates.push_back([&c, slot](int r) { c.SetNarrowText(TextAt(slot, r)); });
                    break;
                }
                case K::Object: {
                    auto& c = rig.Add<Kch_ObjectChannel>();
                    c.SetHasInnerObject(true);
                    c.SetTestRegion({0, 0, 0}, {1, 1, 1});
                    rig.updates.push_back(
                        [&c, slot](int r) { c.SetPlacementMatrix(MatrixAt(slot, r)); });
                    break;
                }
                case K::Unsigned: {
                    auto& c = rig.Add<Kch_UnsignedChannel>();
                    rig.updates.push_back([&c, r0 = slot](int r) {
                        c.SetUnsignedValue(static_cast<uint32_t>(r0 + r));
                    });
                    break;
                }
                case K::MatchA: {
                    auto& c = rig.Add<Kch_MatchChannelA>();
                    rig.updates.push_back([&c](int r) { c.SetMatchValue(r); });
                    break;
                }
                case K::MatchB: {
                    auto& c = rig.Add<Kch_MatchChannelB>();
                    rig.updates.push_back([&c](int r) { c.SetMatchValue(r); });
                    break;
                }
                case K::Internal: {
                    // The public call leads to the float channel registered under `name`.
                    auto internal = std::make_unique<Kch_FloatChannel>();
                    internal->SetChannelInterfaceType(2);
                    channelInternal->SetInternalChild(rig.quantifier, 0, internal.get());
                    channelInternal->SetPublicCallPath(internal.get(), name);
                    rig.children.push_back(std::move(internal));
                    auto& target = rig.Add<Kch_FloatChannel>(false);
                    engine.RegisterChannel(orn_guid::kFloatInterface, name.c_str(), &target);
                    registered.push_back(&target);
                    rig.updates.push_back(
                        [&target](int r) { target.Kch_FloatChannel::SetFloat(FloatAt(0, r)); });
                    break;
                }
            }
        }
    }

    void BeginRender(Rig& a, Rig& b, int render) {
        engine.BeginRender();
        a.Update(render);
        b.Update(render);
    }

    TripEngine engine;
    ScopedGlobalEngine useEngine{engine};
    Instrumented<Kch_CameraChannel> camera;
    Tripwire cameraTrip;
    Orn_ChannelGroup group;
    std::vector<Orn_Channel*> registered;
};

TEST_F(HostExceptions, EveryHostCallMayThrowWithoutHarm) {
    // Time stamps differ from channel to channel, so the time-stamp operation's results do too.
    const int kStampValued = static_cast<int>(OperationId::ChildTimeStamp);
    int throwsSeen = 0;
    for (int op = 0; op < kOperationCount; ++op) {
        const OperationInfo& row = *FindOperation(op);
        // Each child slot, then the camera, then the frame timer.
        for (int target = 0; target < static_cast<int>(row.children.size()) + 2; ++target) {
            for (int n = 1;; ++n) {
                SCOPED_TRACE(testing::Message()
                             << row.name << ", call " << n << " on "
                             << (target < static_cast<int>(row.children.size())
                                     ? "child slot " + std::to_string(target)
                                 : target == static_cast<int>(row.children.size())
                                     ? std::string("the camera")
                                     : std::string("the frame timer")));
                ASSERT_LT(n, 20) << "an evaluation that never ends its host calls";
                const int timers = Kch_FrameTimer::LiveCount();
                const int resolvers = FilePathFind::LiveCount();
                bool threw = false;
                {
                    Rig tested, twin;
                    engine.timerTrips.clear();
                    Build(tested, op, "tested");
                    Build(twin, op, "twin");
                    Tripwire* trip = target < static_cast<int>(row.children.size())
                                         ? tested.childTrips[static_cast<size_t>(target)]
                                     : target == static_cast<int>(row.children.size())
                                         ? &cameraTrip
                                         : &engine.timerTrips[0];

                    BeginRender(tested, twin, 1);
                    const float first = tested.quantifier->GetFloat();
                    const float twinFirst = twin.quantifier->GetFloat();
                    if (op != kStampValued) {
                        ASSERT_TRUE(SameValue(first, twinFirst));
                    }

                    // The failed render: the twin sits it out.
                    BeginRender(tested, twin, 2);
                    trip->Arm(n);
                    try {
                        tested.quantifier->GetFloat();
                    } catch (const HostFailure&) {
                        threw = true;
                    }
                    trip->Arm(0);
                    if (threw) {
                        ++throwsSeen;
                        // The render's value was never produced: later requests in it get the
                        // value the channel already had.
                        EXPECT_TRUE(SameValue(first, tested.quantifier->GetFloat()));
                        BeginRender(tested, twin, 3);
                        const float after = tested.quantifier->GetFloat();
                        const float twinAfter = twin.quantifier->GetFloat();
                        if (op != kStampValued) {
                            EXPECT_TRUE(SameValue(twinAfter, after))
                                << "the failed render left some of its work behind";
                        } else {
                            // Stamp values differ from channel to channel; whether the value
                            // followed the child's new stamp does not.
                            EXPECT_EQ(after != first, twinAfter != twinFirst);
                        }
                    }
                }
                for (Orn_Channel* channel : registered)
                    engine.UnregisterChannel(channel);
                registered.clear();
                EXPECT_EQ(Kch_FrameTimer::LiveCount(), timers);
                EXPECT_EQ(FilePathFind::LiveCount(), resolvers);
                if (!threw || HasFailure()) break;
            }
            if (HasFailure()) return;
        }
    }
    // Every operation with a child throws at least at its first host call.
    EXPECT_GT(throwsSeen, 50);
}

}  // namespace
