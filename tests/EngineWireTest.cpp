// The engine process's wire refuses what no run can have sent: a kind, an action or an index out
// of range in the request, a text cell of no kind in a row. Each would otherwise be used as it
// is, to index a table or to make a channel of the wrong kind.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ChannelMaking.h"
#include "EngineWire.h"
#include "RunError.h"

namespace {
using namespace quantifier_run;

template <class E>
E Past() {
    return static_cast<E>(static_cast<int>(EnumLast<E>::value) + 1);
}

TEST(EngineWire, ValuesOutOfRangeAreRefused) {
    struct Case {
        const char* what;
        std::function<void(EngineRequest&)> damage;
    };
    const Case cases[] = {
        {"a channel kind",
         [](EngineRequest& r) { r.scene.channels[0].kind = Past<ChannelKind>(); }},
        {"an action kind", [](EngineRequest& r) { r.scene.actions[0].kind = Past<ActionKind>(); }},
        {"a text kind",
         [](EngineRequest& r) {
             TextValue text;
             text.kind = Past<TextValue::Kind>();
             r.scene.channels[0].value = Timeline{{text}, false};
         }},
        {"a negative kind",
         [](EngineRequest& r) { r.scene.channels[0].kind = static_cast<ChannelKind>(-1); }},
        {"a child", [](EngineRequest& r) { r.scene.channels[0].children = {1}; }},
        {"an output", [](EngineRequest& r) { r.scene.outputs = {1}; }},
        {"an action's channel", [](EngineRequest& r) { r.scene.actions[0].channel = 1; }},
        {"an empty timeline", [](EngineRequest& r) { r.scene.channels[0].value = Timeline{}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EngineRequest request;
        request.scene.channels.resize(1);
        request.scene.actions.resize(1);
        request.scene.outputs = {0};
        EXPECT_NO_THROW(wire::DecodeRequest(wire::EncodeRequest(request)));
        c.damage(request);
        EXPECT_THROW(wire::DecodeRequest(wire::EncodeRequest(request)), RunError);
    }

    // A row's text cell of no kind, from the engine's side.
    EngineRequest request;
    request.scene.channels.resize(1);
    request.scene.channels[0].kind = ChannelKind::Text;
    request.scene.outputs = {0};
    wire::MessageReader reader(wire::LimitsFor(request, 100), "engine");
    TextValue cell;
    cell.kind = Past<TextValue::Kind>();
    for (const std::vector<uint8_t>& message : {wire::EncodeHello(), wire::EncodeRow({cell})})
        reader.Append(message.data(), message.size());
    ASSERT_EQ(reader.Next(), wire::Tag::Row);
    EXPECT_THROW(reader.Row(), RunError);

    // What slips past every check is a fault of the program, never a float channel.
    EXPECT_THROW(MakerOf(Past<ChannelKind>()), RunError);
}

}  // namespace
