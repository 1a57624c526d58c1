// The engine stand-in's channel base: child lookup by interface GUID and index, and the
// per-render check, both on every evaluation's path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Orn_Channel.h"
#include "Orn_Engine.h"

namespace {

// A channel linked through whatever interface the test gives it.
class LinkedAs : public Orn_Channel {
public:
    explicit LinkedAs(const OrnGuid& guid) { SetLinkInterface(guid); }
    bool FirstRequestOfRender() { return CheckRenderCount(); }
};

constexpr OrnGuid kBase = OrnGuidOf("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");

// kBase with one byte changed, in each part of the GUID: a lookup must tell them all apart.
std::vector<OrnGuid> NeighboursOfBase() {
    std::vector<OrnGuid> guids;
    OrnGuid g = kBase;
    g.data1 ^= 0x01000000u;
    guids.push_back(g);
    g = kBase;
    g.data2 ^= 1;
    guids.push_back(g);
    g = kBase;
    g.data3 ^= 0x100;
    guids.push_back(g);
    for (int i : {0, 3, 7}) {
        g = kBase;
        g.data4[i] ^= 0x80;
        guids.push_back(g);
    }
    return guids;
}

TEST(HostChannel, LookupCountsOnlyChildrenOfTheSameInterface) {
    const std::vector<OrnGuid> neighbours = NeighboursOfBase();
    std::vector<LinkedAs> others;
    for (const OrnGuid& g : neighbours)
        others.emplace_back(g);
    LinkedAs first(kBase), second(kBase);
    Orn_Channel parent;
    // The matching children sit among all the near misses, before and after them.
    for (size_t i = 0; i < others.size(); ++i) {
        if (i == 2) parent.SetChild(&first, -1, 0);
        parent.SetChild(&others[i], -1, 0);
    }
    parent.SetChild(&second, -1, 0);

    struct Case {
        OrnGuid guid;
        int index;
        const Orn_Channel* expected;
    };
    std::vector<Case> cases = {
        {kBase, 0, &first}, {kBase, 1, &second}, {kBase, 2, nullptr}, {kBase, -1, nullptr}};
    for (size_t i = 0; i < neighbours.size(); ++i) {
        cases.push_back({neighbours[i], 0, &others[i]});
        cases.push_back({neighbours[i], 1, nullptr});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(OrnGuidToString(c.guid) + " index " + std::to_string(c.index));
        EXPECT_EQ(parent.GetChildFromLinkGuid(c.guid, c.index), c.expected);
    }
}

TEST(HostChannel, LookupFollowsInsertionsAndRemovalsInTheMiddle) {
    const OrnGuid other = NeighboursOfBase()[0];
    LinkedAs a(kBase), b(other), c(kBase), d(kBase), e(other);
    Orn_Channel parent;
    const int handleA = parent.SetChild(&a, -1, 0);
    parent.SetChild(&b, -1, 0);
    parent.SetChild(&c, -1, 0);
    parent.SetChild(&d, 1, 0);                      // before b: a d b c
    const int handleE = parent.SetChild(&e, 0, 0);  // e a d b c, past the links kept in place
    struct Step {
        const char* label;
        std::vector<const Orn_Channel*> order;  // by GetChild
        std::vector<const Orn_Channel*> base;   // by kBase and index
        std::vector<const Orn_Channel*> others;
    };
    const auto check = [&](const Step& step) {
        SCOPED_TRACE(step.label);
        ASSERT_EQ(parent.GetChildCount(), static_cast<int>(step.order.size()));
        for (size_t i = 0; i < step.order.size(); ++i)
            EXPECT_EQ(parent.GetChild(static_cast<int>(i)), step.order[i]) << i;
        for (size_t i = 0; i <= step.base.size(); ++i)
            EXPECT_EQ(parent.GetChildFromLinkGuid(kBase, static_cast<int>(i)),
                      i < step.base.size() ? step.base[i] : nullptr)
                << i;
        for (size_t i = 0; i <= step.others.size(); ++i)
            EXPECT_EQ(parent.GetChildFromLinkGuid(other, static_cast<int>(i)),
                      i < step.others.size() ? step.others[i] : nullptr)
                << i;
    };
    check({"inserted", {&e, &a, &d, &b, &c}, {&a, &d, &c}, {&e, &b}});
    parent.RemoveChild(handleA);
    check({"first of its interface removed", {&e, &d, &b, &c}, {&d, &c}, {&e, &b}});
    const Orn_Channel copy(parent);
    parent.RemoveChild(handleE);
    parent.RemoveChild(handleE);  // already gone: ignored
    check({"another interface's first removed", {&d, &b, &c}, {&d, &c}, {&b}});
    EXPECT_EQ(copy.GetChildFromLinkGuid(other, 0), &e) << "a copy keeps its own links";
}

TEST(HostChannel, RenderCheckAnswersOncePerRenderOfTheGlobalEngine) {
    OrnEngine a, b;
    LinkedAs channel(kBase);
    ScopedGlobalEngine useA{a};
    EXPECT_TRUE(channel.FirstRequestOfRender());
    EXPECT_FALSE(channel.FirstRequestOfRender());
    a.BeginRender();
    EXPECT_TRUE(channel.FirstRequestOfRender());
    EXPECT_FALSE(channel.FirstRequestOfRender());
    {
        // Another engine at another render count: a new render for the channel.
        b.BeginRender();
        b.BeginRender();
        ScopedGlobalEngine useB{b};
        EXPECT_TRUE(channel.FirstRequestOfRender());
        EXPECT_FALSE(channel.FirstRequestOfRender());
    }
    EXPECT_TRUE(channel.FirstRequestOfRender()) << "back on engine a, at its render 1";
}

}  // namespace
