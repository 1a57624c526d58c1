// The operation table against the code: every operation, evaluated with every child its row
// declares and again with none, looks up exactly the declared children in their declared order
// (whatever is missing, every lookup comes first), and reads no child before its last lookup.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Orn_Guids.h"
#include "support/InstrumentedChannel.h"
#include "support/QuantifierTestSupport.h"

namespace {
using K = ChildKind;

// How the host's observer tells a lookup of that kind.
OrnGuid GuidOf(ChildKind kind) {
    switch (kind) {
        case K::Float:
            return orn_guid::kFloatInterface;
        case K::Vector:
            return orn_guid::kVectorInterface;
        case K::Matrix:
            return orn_guid::kMatrixInterface;
        case K::Text:
            return orn_guid::kTextInterface;
        case K::Object:
            return orn_guid::kObjectInterface;
        case K::Unsigned:
            return orn_guid::kUnsignedInterface;
        case K::MatchA:
            return orn_guid::kMatchAInterface;
        case K::MatchB:
            return orn_guid::kMatchBInterface;
        case K::Any:
            return orn_guid::kWildcard;
        case K::Internal:
            return orn_guid::kNull;
    }
    return orn_guid::kNull;
}

std::string Describe(const OrnGuid& guid, int index) {
    for (int k = 0; k <= static_cast<int>(K::Internal); ++k) {
        if (GuidOf(static_cast<K>(k)) == guid)
            return std::string(ChildKindName(static_cast<K>(k))) + " " + std::to_string(index);
    }
    return "unknown interface " + std::to_string(index);
}

// The row's children as the observer should see them: a child's index counts the children of
// its kind before it.
std::vector<std::string> Declared(const OperationInfo& row) {
    std::vector<std::string> lookups;
    for (size_t i = 0; i < row.children.size(); ++i) {
        int index = 0;
        for (size_t k = 0; k < i; ++k)
            index += row.children[k].kind == row.children[i].kind ? 1 : 0;
        lookups.push_back(Describe(GuidOf(row.children[i].kind), index));
    }
    return lookups;
}

class OperationLookups : public QuantifierTest {
protected:
    // A child of the kind, linked to `q`, that notes how many lookups were made by each read.
    void AddChild(Kch_Quantifier& q, ChildKind kind) {
        switch (kind) {
            case K::Float:
            case K::Any:
                return Watch(Adopt(q, std::make_unique<Instrumented<Kch_FloatChannel>>()));
            case K::Vector:
                return Watch(Adopt(q, std::make_unique<Instrumented<Kch_VectorChannel>>()));
            case K::Matrix:
                return Watch(Adopt(q, std::make_unique<Instrumented<Kch_MatrixChannel>>()));
            case K::Text: {
                auto& text = Adopt(q, std::make_unique<Instrumented<Kch_TextChannel>>());
                text.SetNarrowText("a");
                return Watch(text);
            }
            case K::Object:
                return Watch(Adopt(q, std::make_unique<Instrumented<Kch_ObjectChannel>>()));
            case K::Unsigned:
                return Watch(Adopt(q, std::make_unique<Instrumented<Kch_UnsignedChannel>>()));
            case K::MatchA:
                return Watch(Adopt(q, std::make_unique<Instrumented<Kch_MatchChannelA>>()));
            case K::MatchB:
                return Watch(Adopt(q, std::make_unique<Instrumented<Kch_MatchChannelB>>()));
            case K::Internal: {
                // The public call leads to a float channel the engine finds by path.
                auto& internal = Keep(std::make_unique<Kch_FloatChannel>());
                internal.SetChannelInterfaceType(2);
                channelInternal->SetInternalChild(&q, 0, &internal);
                channelInternal->SetPublicCallPath(&internal, "called");
                auto& target = Keep(std::make_unique<Instrumented<Kch_FloatChannel>>());
                engine.RegisterChannel(orn_guid::kFloatInterface, "called", &target);
                forget.push_back(&internal);
                forget.push_back(&target);
                return Watch(target);
            }
        }
    }

    template <class Channel>
    void Watch(Channel& child) {
        child.hook = [this](std::string_view) -> ChannelAnswer {
            lookupsAtRead.push_back(recorder->Lookups().size());
            return {};
        };
    }

    ~OperationLookups() override {
        for (Orn_Channel* channel : forget) {
            channelInternal->Forget(channel);
            engine.UnregisterChannel(channel);
        }
    }

    const LookupRecorder* recorder = nullptr;
    std::vector<size_t> lookupsAtRead;
    std::vector<Orn_Channel*> forget;
};

TEST_F(OperationLookups, EveryOperationLooksUpItsRowsChildrenInOrderBeforeReadingAny) {
    AddCamera();
    for (const OperationInfo& row : kOperations) {
        for (bool linked : {true, false}) {
            SCOPED_TRACE(std::string(row.name) + (linked ? ", every child linked" : ", none"));
            Kch_Quantifier& q = NewQuantifier(row.id);
            if (linked) {
                for (const ChildSlot& slot : row.children)
                    AddChild(q, slot.kind);
            }
            lookupsAtRead.clear();
            LookupRecorder lookups;
            recorder = &lookups;
            Evaluate(q);
            recorder = nullptr;

            std::vector<std::string> made;
            for (const LookupRecorder::Lookup& lookup : lookups.Lookups())
                made.push_back(Describe(lookup.interfaceGuid, lookup.index));
            EXPECT_EQ(made, Declared(row));
            for (size_t seen : lookupsAtRead)
                EXPECT_EQ(seen, made.size()) << "a child was read before the last lookup";
            if (linked && !row.children.empty()) {
                EXPECT_FALSE(lookupsAtRead.empty()) << "no child was read";
            }
        }
    }
}

}  // namespace
