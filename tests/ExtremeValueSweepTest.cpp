// Every operation, driven from the operation table, over children holding the values at the
// edges of their types: NaN, infinities, signed zeros, the smallest denormal, the largest
// floats, the integer limits and just beyond them; null, empty, one-unit and 1 MiB texts;
// one child missing at a time; the channel as its own child; operation numbers outside the
// table. Each evaluation must come back (the sanitizer build checks how), with a result of the
// operation's kind, and with the documented result wherever the case settles it.
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Orn_Guids.h"
#include "support/QuantifierTestSupport.h"

namespace {
using O = OperationId;
using K = ChildKind;

constexpr float kTwo31 = 2147483648.0f;
constexpr float kTwo40 = 1099511627776.0f;

struct Number {
    const char* label;
    float value;
};
const Number kNumbers[] = {
    {"NaN", kNaN},
    {"+inf", kInf},
    {"-inf", -kInf},
    {"+0", 0.0f},
    {"-0", -0.0f},
    {"smallest denormal", std::numeric_limits<float>::denorm_min()},
    {"FLT_MAX", std::numeric_limits<float>::max()},
    {"-FLT_MAX", -std::numeric_limits<float>::max()},
    {"2^31", kTwo31},
    {"-2^31", -kTwo31},
    {"just beyond 2^31", std::nextafter(kTwo31, kInf)},
    {"just beyond -2^31", std::nextafter(-kTwo31, -kInf)},
    {"just inside 2^31", std::nextafter(kTwo31, 0.0f)},
    {"2^40", kTwo40},
};

struct TextSpec {
    std::string label;
    Kch_TextChannel::Kind kind;
    std::string narrow;
    std::u16string wide;
    size_t Length() const {
        return kind == Kch_TextChannel::Kind::Wide     ? wide.size()
               : kind == Kch_TextChannel::Kind::Narrow ? narrow.size()
                                                       : 0;
    }
};
TextSpec Narrow(std::string label, std::string text) {
    return {std::move(label), Kch_TextChannel::Kind::Narrow, std::move(text), {}};
}
TextSpec Wide(std::string label, std::u16string text) {
    return {std::move(label), Kch_TextChannel::Kind::Wide, {}, std::move(text)};
}
constexpr size_t kMiB = 1u << 20;

const std::vector<TextSpec>& SpecialTexts() {
    static const std::vector<TextSpec> texts = {
        {"null text", Kch_TextChannel::Kind::None, {}, {}},
        Narrow("empty narrow", ""),
        Wide("empty wide", u""),
        Narrow("one narrow character", "a"),
        Narrow("one narrow byte above 127", "\xFF"),
        Wide("one wide unit", u"a"),
        Wide("one lone surrogate", std::u16string(1, u'\xD800')),
        Narrow("1 MiB narrow of '9'", std::string(kMiB, '9')),
        Wide("1 MiB wide of 'a'", std::u16string(kMiB, u'a')),
    };
    return texts;
}

// What the children not under test hold, by slot: ordinary values that give the operations
// something to work with (a range of 10 for the accumulators, a pattern found in the text).
constexpr float kFiller[3] = {0.0f, 10.0f, 3.0f};
const TextSpec& FillerText(int slot) {
    static const TextSpec texts[3] = {Narrow("aa", "aa"), Narrow("baaab", "baaab"),
                                      Narrow("b", "b")};
    return texts[slot];
}

bool Whole(float v, float lowest, float highest) {
    return std::isfinite(v) && std::trunc(v) == v && v >= lowest && v <= highest;
}

::testing::AssertionResult InRange(ResultKind range, float v) {
    bool ok = true;
    switch (range) {
        case ResultKind::AnyFloat:
            break;
        case ResultKind::Truth:
            ok = SameBits(0.0f, v) || SameBits(1.0f, v);
            break;
        case ResultKind::Sign:
            ok = SameBits(0.0f, v) || v == 1.0f || v == -1.0f;
            break;
        case ResultKind::Zero:
            ok = SameBits(0.0f, v);
            break;
        case ResultKind::Magnitude:
            ok = std::isnan(v) || v >= 0.0f;
            break;
        case ResultKind::Count:
        // The swept channels start at 0 and hold only their own results, so what they keep is
        // a count as well.
        case ResultKind::CountOrKept:
            ok = Whole(v, 0.0f, kInf);
            break;
        case ResultKind::Position:
            ok = v == -1.0f || Whole(v, 0.0f, kInf);
            break;
        case ResultKind::Int32:
            ok = Whole(v, -kTwo31, kTwo31);
            break;
        case ResultKind::UnsignedByte:
            ok = Whole(v, 0.0f, 255.0f);
            break;
        case ResultKind::SignedByte:
            ok = Whole(v, -128.0f, 127.0f);
            break;
    }
    if (ok) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << v << " (0x" << std::hex << std::bit_cast<uint32_t>(v)
                                         << ") is outside the operation's range";
}

std::string NumberText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

const OperationInfo& Row(int op) {
    return *FindOperation(op);
}

// What one child slot holds: a number in every lane and element (or in one lane only, the
// others holding ordinary values) and a text.
struct Holding {
    float number;
    int lane;  // -1: every lane
    const TextSpec* text;
};

class ExtremeValueSweep : public QuantifierTest {
protected:
    ~ExtremeValueSweep() override { Reset(); }

    // Drops every channel of the last case; the engine forgets them first.
    void Reset() {
        for (Orn_Channel* channel : internalEntries)
            channelInternal->Forget(channel);
        internalEntries.clear();
        for (Orn_Channel* channel : registered)
            engine.UnregisterChannel(channel);
        registered.clear();
        quantifiers.clear();
        owned.clear();
    }

    // The engine of the cases that follow: a camera with that view and a frame timer with that
    // value, or none.
    void SetEngine(std::optional<XMMATRIX> view, std::optional<float> frameTime) {
        cameraView = view;
        engine.SetFrameTime(frameTime);
    }
    // A quantifier finds the camera when it is made, so the camera comes first.
    Kch_Quantifier& NewSweptQuantifier(int op) {
        if (cameraView) {
            auto& camera = Keep(std::make_unique<Kch_CameraChannel>());
            camera.SetViewMatrix(*cameraView);
            engine.RegisterChannel(orn_guid::kCameraChannel, nullptr, &camera);
            registered.push_back(&camera);
        }
        Kch_Quantifier& q = NewQuantifier(op);
        q.SetChannelGroup(&group);
        return q;
    }

    static float Lane(const Holding& h, int slot, int lane) {
        return h.lane == -1 || h.lane == lane ? h.number : kFiller[slot] + static_cast<float>(lane);
    }
    static XMFLOAT4 VectorOf(const Holding& h, int slot) {
        return {Lane(h, slot, 0), Lane(h, slot, 1), Lane(h, slot, 2), Lane(h, slot, 3)};
    }
    // Ordinary values: the identity with the slot's position in the fourth row.
    static XMMATRIX MatrixOf(const Holding& h, int slot) {
        XMMATRIX m = IdentityMatrix();
        m.m[3][0] = kFiller[slot];
        m.m[3][1] = kFiller[slot] + 1.0f;
        m.m[3][2] = kFiller[slot] + 2.0f;
        for (int i = 0; i < 16; ++i) {
            if (h.lane == -1 || h.lane == i) m.m[i / 4][i % 4] = h.number;
        }
        return m;
    }

    Kch_TextChannel& TextChannelOf(Orn_Channel& parent, const TextSpec& text, bool written) {
        // The 1 MiB texts are made once and linked wherever needed. A child the operation writes
        // into is never read, so it gets a short text rather than a copy of its own.
        if (text.Length() >= kMiB && written) return Adopt(parent, MakeText(FillerText(0)));
        if (text.Length() >= kMiB) {
            auto& made = sharedTexts[&text];
            if (!made) made = MakeText(text);
            parent.SetChild(made.get(), -1, 0);
            return *made;
        }
        return Adopt(parent, MakeText(text));
    }
    static std::unique_ptr<Kch_TextChannel> MakeText(const TextSpec& text) {
        auto channel = std::make_unique<Kch_TextChannel>();
        if (text.kind == Kch_TextChannel::Kind::Narrow) channel->SetNarrowText(text.narrow);
        if (text.kind == Kch_TextChannel::Kind::Wide) channel->SetWideText(text.wide);
        return channel;
    }

    // Links child `slot` of the operation's row to q.
    void AddChild(Kch_Quantifier& q, const OperationInfo& row, int slot, const Holding& h) {
        const ChildSlot& child = row.children[static_cast<size_t>(slot)];
        switch (child.kind) {
            case K::Float:
            case K::Any:
                AddFloat(q, h.number);
                break;
            case K::Vector:
                AddVector(q, VectorOf(h, slot));
                break;
            case K::Matrix:
                AddMatrix(q, MatrixOf(h, slot));
                break;
            case K::Text:
                TextChannelOf(q, *h.text, child.use == ChildUse::Written);
                break;
            case K::Object: {
                auto& object = Adopt(q, std::make_unique<Kch_ObjectChannel>());
                object.SetHasInnerObject(true);
                object.SetPlacementMatrix(MatrixOf(h, slot));
                object.SetTestRegion({h.number, h.number, h.number},
                                     {h.number, h.number, h.number});
                break;
            }
            case K::Unsigned:
                Adopt(q, std::make_unique<Kch_UnsignedChannel>(std::bit_cast<uint32_t>(h.number)));
                break;
            case K::MatchA:
                Adopt(q, std::make_unique<Kch_MatchChannelA>(std::bit_cast<int32_t>(h.number)));
                break;
            case K::MatchB:
                Adopt(q, std::make_unique<Kch_MatchChannelB>(std::bit_cast<int32_t>(h.number)));
                break;
            case K::Internal: {
                // The internal child's public call leads to a float channel holding the number.
                auto& internal = Keep(std::make_unique<Kch_FloatChannel>());
                internal.SetChannelInterfaceType(2);
                channelInternal->SetInternalChild(&q, 0, &internal);
                channelInternal->SetPublicCallPath(&internal, "sweep/value");
                internalEntries.push_back(&q);
                internalEntries.push_back(&internal);
                auto& target = Keep(std::make_unique<Kch_FloatChannel>());
                target.SetFloat(h.number);
                engine.RegisterChannel(orn_guid::kFloatInterface, "sweep/value", &target);
                registered.push_back(&target);
                break;
            }
        }
    }

    // A child the operation never looks up: it stands where a missing child was, so that the
    // lookup has to pass over a child of another interface.
    void AddDecoy(Kch_Quantifier& q, const OperationInfo& row) {
        bool usesMatchB = false;
        for (int slot = 0; slot < static_cast<int>(row.children.size()); ++slot)
            usesMatchB |= row.children[static_cast<size_t>(slot)].kind == K::MatchB;
        if (usesMatchB) {
            Adopt(q, std::make_unique<Kch_MatchChannelA>(7));
        } else {
            Adopt(q, std::make_unique<Kch_MatchChannelB>(7));
        }
    }

    // Makes a quantifier of the operation with the slots' holdings, leaving out `missing`.
    Kch_Quantifier& Build(int op, const Holding (&holdings)[3], int missing = -1) {
        const OperationInfo& row = Row(op);
        Kch_Quantifier& q = NewSweptQuantifier(op);
        for (int slot = 0; slot < static_cast<int>(row.children.size()); ++slot) {
            if (slot == missing) {
                if (row.children[static_cast<size_t>(slot)].kind != K::Any) AddDecoy(q, row);
                continue;
            }
            AddChild(q, row, slot, holdings[slot]);
        }
        return q;
    }

    // Evaluates over three renders (or only one: `renders`), calling the channel in between;
    // every result must be of the operation's kind. Gives the first result, taken on the fresh
    // object.
    float Sweep(Kch_Quantifier& q) {
        const ResultKind range = Row(q.GetOperationType()).result;
        const float first = Evaluate(q);
        EXPECT_TRUE(InRange(range, first)) << "first evaluation";
        if (renders == 1) return first;
        engine.BeginRender();
        q.CallChannel();
        EXPECT_TRUE(InRange(range, q.GetFloat())) << "after CallChannel";
        EXPECT_TRUE(InRange(range, Evaluate(q))) << "third evaluation";
        return first;
    }

    // Missing slot `slot` means the last child of its kind is missing; the result is the
    // operation's neutral value unless that child is optional.
    void CheckMissing(int op, const Holding (&holdings)[3]) {
        const OperationInfo& row = Row(op);
        for (int slot = 0; slot < static_cast<int>(row.children.size()); ++slot) {
            SCOPED_TRACE(testing::Message() << "child slot " << slot << " missing");
            int lastOfKind = slot;
            for (int s = 0; s < static_cast<int>(row.children.size()); ++s) {
                if (row.children[static_cast<size_t>(s)].kind ==
                    row.children[static_cast<size_t>(slot)].kind)
                    lastOfKind = s;
            }
            Kch_Quantifier& q = Build(op, holdings, slot);
            const float result = Sweep(q);
            if (row.children[static_cast<size_t>(lastOfKind)].use != ChildUse::Optional) {
                EXPECT_TRUE(SameBits(op == static_cast<int>(O::TextFind) ? -1.0f : 0.0f, result));
            }
            Reset();
        }
    }

    std::optional<XMMATRIX> cameraView;
    int renders = 3;
    std::vector<Orn_Channel*> internalEntries;
    std::vector<Orn_Channel*> registered;
    std::map<const TextSpec*, std::unique_ptr<Kch_TextChannel>> sharedTexts;
    Orn_ChannelGroup group;  // no path, no window
};

bool HasKind(const OperationInfo& row, K kind) {
    for (int slot = 0; slot < static_cast<int>(row.children.size()); ++slot) {
        if (row.children[static_cast<size_t>(slot)].kind == kind) return true;
    }
    return false;
}

// What operations settle for a number in every lane of every child.
void CheckNumberEverywhere(int op, float n, float result) {
    const bool finite = std::isfinite(n);
    switch (static_cast<O>(op)) {
        case O::VectorX:
        case O::VectorY:
        case O::VectorZ:
        case O::VectorW:
        case O::Clamp:
        case O::PublicCallFloat:
            EXPECT_TRUE(SameBits(n, result));
            break;
        case O::VectorEqual:
        case O::MatrixEqual:
            // Equal values agree within the tolerance only while adding it in double precision
            // still changes them.
            EXPECT_TRUE(SameBits(finite && std::fabs(n) < kTwo40 ? 1.0f : 0.0f, result));
            break;
        case O::VectorDistance:
        case O::VectorDistanceSquared:
        case O::MatrixDistance:
            EXPECT_TRUE(SameValue(finite ? 0.0f : kNaN, result));
            break;
        case O::WrapAccumulate:
        case O::WrapAccumulateHalfOpen:
            // min equal to max is an empty range; a NaN range is not.
            if (finite) {
                EXPECT_TRUE(SameBits(0.0f, result));
            }
            break;
        case O::PointInRectangle:
            EXPECT_TRUE(SameBits(1.0f, result));
            break;  // on the corner
        case O::UnsignedValue:
            EXPECT_TRUE(SameBits(static_cast<float>(std::bit_cast<uint32_t>(n)), result));
            break;
        case O::ValueMatchA:
        case O::ValueMatchB:
            EXPECT_TRUE(SameBits(1.0f, result));
            break;
        default:
            break;
    }
}

TEST_F(ExtremeValueSweep, EveryOperationOverSpecialNumbers) {
    for (const Number& number : kNumbers) {
        const float n = number.value;
        for (bool wideTexts : {false, true}) {
            const std::string digits = NumberText(n);
            const TextSpec text = wideTexts ? Wide("", std::u16string(digits.begin(), digits.end()))
                                            : Narrow("", digits);
            const Holding special{n, -1, &text};
            for (int op = 0; op < kOperationCount; ++op) {
                const OperationInfo& row = Row(op);
                // The texts' width only matters where there are texts.
                if (wideTexts && !HasKind(row, K::Text)) continue;
                SCOPED_TRACE(testing::Message() << row.name << " with " << number.label
                                                << (wideTexts ? ", wide texts" : ", narrow texts"));
                SetEngine(MatrixOf(special, 0), n);
                {
                    SCOPED_TRACE("every child");
                    const Holding all[3] = {special, special, special};
                    Kch_Quantifier& q = Build(op, all);
                    const float result = Sweep(q);
                    CheckNumberEverywhere(op, n, result);
                    if (op == static_cast<int>(O::FloatCodeToTextChild)) {
                        // A code that no 32-bit integer holds writes the empty text.
                        auto* target = static_cast<Kch_TextChannel*>(
                            q.GetChildFromLinkGuid(orn_guid::kTextInterface, 0));
                        if (!(std::fabs(n) < kTwo31)) {
                            EXPECT_STREQ(target->GetText(), "");
                        }
                    }
                    if (op == static_cast<int>(O::HexTextToFloatChild)) {
                        auto* target = static_cast<Kch_FloatChannel*>(
                            q.GetChildFromLinkGuid(orn_guid::kFloatInterface, 0));
                        EXPECT_TRUE(InRange(ResultKind::UnsignedByte, target->GetFloat()));
                    }
                    Reset();
                }
                for (int slot = 0; static_cast<int>(row.children.size()) > 1 &&
                                   slot < static_cast<int>(row.children.size());
                     ++slot) {
                    SCOPED_TRACE(testing::Message() << "child slot " << slot << " only");
                    Holding holdings[3] = {{kFiller[0], -1, &FillerText(0)},
                                           {kFiller[1], -1, &FillerText(1)},
                                           {kFiller[2], -1, &FillerText(2)}};
                    holdings[slot] = special;
                    Sweep(Build(op, holdings));
                    Reset();
                }
                // One lane or element at a time, the others ordinary.
                for (int slot = 0; slot < static_cast<int>(row.children.size()); ++slot) {
                    const K kind = row.children[static_cast<size_t>(slot)].kind;
                    const int lanes = kind == K::Vector ? 4 : kind == K::Matrix ? 16 : 0;
                    for (int lane = 0; lane < lanes; ++lane) {
                        SCOPED_TRACE(testing::Message()
                                     << "child slot " << slot << ", lane " << lane);
                        Holding holdings[3] = {{kFiller[0], -1, &FillerText(0)},
                                               {kFiller[1], -1, &FillerText(1)},
                                               {kFiller[2], -1, &FillerText(2)}};
                        holdings[slot] = {n, lane, &text};
                        const float result = Sweep(Build(op, holdings));
                        const int component = op == static_cast<int>(O::VectorX)   ? 0
                                              : op == static_cast<int>(O::VectorY) ? 1
                                              : op == static_cast<int>(O::VectorZ) ? 2
                                              : op == static_cast<int>(O::VectorW) ? 3
                                                                                   : -1;
                        if (component != -1) {
                            EXPECT_TRUE(SameBits(Lane(holdings[slot], slot, component), result));
                        }
                        Reset();
                    }
                }
                const Holding all[3] = {special, special, special};
                CheckMissing(op, all);
                if (HasFailure()) return;
            }
        }
    }
}

TEST_F(ExtremeValueSweep, EveryOperationOverSpecialTexts) {
    using TK = Kch_TextChannel::Kind;
    for (const TextSpec& text : SpecialTexts()) {
        for (int op = 0; op < kOperationCount; ++op) {
            const OperationInfo& row = Row(op);
            if (!HasKind(row, K::Text)) continue;
            SCOPED_TRACE(testing::Message() << row.name << " with " << text.label);
            // No camera and no frame timer this time. The 1 MiB texts are evaluated once: their
            // later renders take the same ways through the code, only slower.
            SetEngine(std::nullopt, std::nullopt);
            renders = text.Length() >= kMiB ? 1 : 3;
            const Holding holdings[3] = {
                {kFiller[0], -1, &text}, {kFiller[1], -1, &text}, {kFiller[2], -1, &text}};
            {
                SCOPED_TRACE("every text child");
                Kch_Quantifier& q = Build(op, holdings);
                const float result = Sweep(q);
                const bool null = text.kind == TK::None;
                const bool empty = text.Length() == 0;
                const bool namesNoFile =
                    null || empty || text.Length() >= kMiB ||
                    (text.kind == TK::Wide && text.wide[0] >= 0xD800 && text.wide[0] <= 0xDFFF);
                const float firstByte =
                    null || empty || text.kind == TK::Wide
                        ? 0.0f
                        : static_cast<float>(static_cast<uint8_t>(text.narrow[0]));
                // A text searched for in itself is found at its start, once.
                switch (static_cast<O>(op)) {
                    case O::TextLength:
                        EXPECT_EQ(result, static_cast<float>(text.Length()));
                        break;
                    case O::TextFind:
                        EXPECT_TRUE(SameBits(null ? -1.0f : 0.0f, result));
                        break;
                    case O::TextFindLast:
                        EXPECT_TRUE(SameBits(0.0f, result));
                        break;
                    case O::TextCount:
                        EXPECT_TRUE(SameBits(null || empty ? 0.0f : 1.0f, result));
                        break;
                    case O::TextEqualsIgnoreCase:
                        EXPECT_TRUE(SameBits(1.0f, result));
                        break;
                    case O::TextCompare:
                        EXPECT_TRUE(SameBits(0.0f, result));
                        break;
                    case O::TextFirstCharCode:
                        if (text.kind != TK::Wide) {
                            EXPECT_TRUE(SameBits(firstByte, result));
                        }
                        break;
                    case O::FileSize:
                    case O::IsDirectory:
                    case O::FileTimeCompare:
                        // No file has a null or empty path, a lone surrogate or a 1 MiB name.
                        if (namesNoFile) {
                            EXPECT_TRUE(SameBits(0.0f, result));
                        }
                        break;
                    default:
                        break;
                }
                Reset();
            }
            for (int slot = 0; static_cast<int>(row.children.size()) > 1 &&
                               slot < static_cast<int>(row.children.size());
                 ++slot) {
                SCOPED_TRACE(testing::Message() << "child slot " << slot << " only");
                Holding one[3] = {{kFiller[0], -1, &FillerText(0)},
                                  {kFiller[1], -1, &FillerText(1)},
                                  {kFiller[2], -1, &FillerText(2)}};
                one[slot] = holdings[slot];
                Sweep(Build(op, one));
                Reset();
            }
            CheckMissing(op, holdings);
            if (HasFailure()) return;
        }
    }
}

// The searches over 1 MiB of one repeated letter, against the counts a walk by hand gives.
TEST_F(ExtremeValueSweep, SearchesInAMebibyteOfOneLetter) {
    struct Case {
        O op;
        float expected;
    };
    // The pattern "aa" occurs at every position but the last.
    const Case cases[] = {
        {O::TextFind, 0.0f}, {O::TextFindLast, kMiB - 2.0f}, {O::TextCount, kMiB - 1.0f}};
    for (bool wide : {false, true}) {
        const TextSpec big =
            wide ? Wide("", std::u16string(kMiB, u'a')) : Narrow("", std::string(kMiB, 'a'));
        const TextSpec pattern = wide ? Wide("", u"aa") : Narrow("", "aa");
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << Row(static_cast<int>(c.op)).name << (wide ? " wide" : " narrow"));
            const Holding holdings[3] = {{0, -1, &pattern}, {0, -1, &big}, {0, -1, &big}};
            EXPECT_EQ(Sweep(Build(static_cast<int>(c.op), holdings)), c.expected);
            Reset();
        }
    }
}

// The channel as its own child wherever a float child or any child is taken, and as the float
// channel its public call finds: each read of itself gives the value already produced in the
// render, so evaluation neither recurses nor fails. Two channels that are each other's child
// likewise.
TEST_F(ExtremeValueSweep, AChannelThatIsItsOwnChild) {
    for (int op = 0; op < kOperationCount; ++op) {
        const OperationInfo& row = Row(op);
        SCOPED_TRACE(row.name);
        SetEngine(IdentityMatrix(), 1.0f);
        for (bool pair : {false, true}) {
            SCOPED_TRACE(pair ? "two channels, each the other's child" : "its own child");
            Kch_Quantifier& q = NewSweptQuantifier(op);
            Kch_Quantifier& other = pair ? NewSweptQuantifier(op) : q;
            for (Kch_Quantifier* channel : {&q, &other}) {
                Kch_Quantifier& child = channel == &q ? other : q;
                // First of all, so that the time-stamp operation takes it as its first child.
                channel->SetChild(&child, -1, 0);
                for (int slot = 0; slot < static_cast<int>(row.children.size()); ++slot) {
                    const K kind = row.children[static_cast<size_t>(slot)].kind;
                    if (kind == K::Float || kind == K::Any) {
                        if (slot > 0) channel->SetChild(&child, -1, 0);
                    } else if (kind == K::Internal) {
                        auto& internal = Keep(std::make_unique<Kch_FloatChannel>());
                        internal.SetChannelInterfaceType(2);
                        channelInternal->SetInternalChild(channel, 0, &internal);
                        channelInternal->SetPublicCallPath(&internal, "self");
                        internalEntries.push_back(channel);
                        internalEntries.push_back(&internal);
                        engine.RegisterChannel(orn_guid::kFloatInterface, "self", &child);
                        registered.push_back(&child);
                    } else {
                        AddChild(*channel, row, slot, {kFiller[slot], -1, &FillerText(slot)});
                    }
                }
                if (!pair) break;
            }
            Sweep(q);
            if (pair) Sweep(other);
            Reset();
        }
        if (HasFailure()) return;
    }
}

// Numbers outside the table evaluate to 0.0 without looking up a child, however many are linked.
TEST_F(ExtremeValueSweep, OperationNumbersOutsideTheTable) {
    for (int op : {-1, kOperationCount, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(op);
        SetEngine(IdentityMatrix(), 1.0f);
        Kch_Quantifier& q = NewSweptQuantifier(op);
        AddFloat(q, 5.0f);
        AddVector(q, {1, 2, 3, 4});
        AddMatrix(q, IdentityMatrix());
        AddText(q, "text");
        LookupRecorder recorder;
        EXPECT_TRUE(SameBits(0.0f, Evaluate(q)));
        engine.BeginRender();
        q.CallChannel();
        EXPECT_TRUE(SameBits(0.0f, Evaluate(q)));
        EXPECT_TRUE(recorder.Lookups().empty());
        EXPECT_EQ(q.GetOperationType(), op);
        Reset();
    }
}

}  // namespace
