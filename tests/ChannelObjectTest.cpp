// The channel object: construction and destruction, per-render caching, CallChannel and the
// small operations the engine calls.
#include <gtest/gtest.h>

#include <cstring>

#include "Orn_Guids.h"
#include "support/QuantifierTestSupport.h"

namespace {
using ChannelObject = QuantifierTest;

TEST_F(ChannelObject, ConstructionNamesTheChannelAndDeclaresOneChildKind) {
    Kch_Quantifier& q = NewQuantifier(0);
    EXPECT_STREQ(q.GetChannelName(), "Quantifier");
    ASSERT_EQ(q.GetChildCreationCount(), 1);
    const ChildCreation* kind = q.GetChildCreateType(0);
    ASSERT_NE(kind, nullptr);
    EXPECT_STREQ(kind->type.name, "All types");
    EXPECT_EQ(kind->type.typeGuid, orn_guid::kWildcard);
    EXPECT_EQ(kind->type.interfaceGuid, orn_guid::kWildcard);
    EXPECT_EQ(kind->maxCount, -1);
    EXPECT_FALSE(kind->required);
    EXPECT_FALSE(kind->hidden);
    EXPECT_STREQ(kind->description, "Different types");
    EXPECT_EQ(kind->defaultChildType, orn_guid::kNull);
    EXPECT_EQ(kind->creationMode, 1);
    EXPECT_EQ(q.GetLinkInterface(), orn_guid::kFloatInterface);
    EXPECT_TRUE(q.GetUpdateChannelname());
    EXPECT_FALSE(q.GetStoreCurrentValue());
}

TEST_F(ChannelObject, OwnsOneFrameTimerAndReleasesIt) {
    const int before = Kch_FrameTimer::LiveCount();
    engine.SetFrameTime(25.0f);
    Kch_Quantifier* q = InitDLL();
    EXPECT_EQ(engine.CreatedObjects(), 1);
    EXPECT_EQ(Kch_FrameTimer::LiveCount(), before + 1);
    delete q;
    EXPECT_EQ(Kch_FrameTimer::LiveCount(), before);

    // Without a frame time the engine makes no timer, and the channel copes.
    engine.SetFrameTime(std::nullopt);
    Kch_Quantifier& noTimer = NewQuantifier(0);
    EXPECT_EQ(engine.CreatedObjects(), 1);
    EXPECT_EQ(Evaluate(noTimer), 0.0f);
}

TEST_F(ChannelObject, CopiesOwnTheirTimerAndLeaveTheOriginalsCameraEntryAlone) {
    engine.SetFrameTime(1.0f);
    const int before = Kch_FrameTimer::LiveCount();
    Kch_CameraChannel& camera = AddCamera();
    AddFloat(camera, 1.0f);  // some other child of the camera
    Kch_Quantifier& original = NewQuantifier(OperationId::Toggle);
    original.CallChannel();
    {
        Kch_Quantifier copy(original);
        EXPECT_EQ(Kch_FrameTimer::LiveCount(), before + 2);
        EXPECT_EQ(copy.GetOperationType(), static_cast<int>(OperationId::Toggle));
        EXPECT_EQ(Evaluate(copy), 1.0f);  // the toggle state came along
        Kch_Quantifier assigned;
        assigned = original;
        EXPECT_EQ(assigned.GetOperationType(), static_cast<int>(OperationId::Toggle));
        EXPECT_EQ(Kch_FrameTimer::LiveCount(), before + 3);
    }
    EXPECT_EQ(Kch_FrameTimer::LiveCount(), before + 1);
    EXPECT_EQ(camera.GetChildCount(), 1);
}

TEST_F(ChannelObject, DestroyingAnUnregisteredChannelRemovesNothingFromTheCamera) {
    Kch_CameraChannel& camera = AddCamera();
    Kch_FloatChannel& other = AddFloat(camera, 2.0f);
    delete InitDLL();
    ASSERT_EQ(camera.GetChildCount(), 1);
    EXPECT_EQ(camera.GetChild(0), &other);
}

TEST_F(ChannelObject, DependsOnTheTimerThenTheCamera) {
    Kch_Quantifier& q = NewQuantifier(0);
    Orn_List list;
    q.DoDependencyInit(&list);
    ASSERT_EQ(list.Guids().size(), 2u);
    EXPECT_EQ(list.Guids()[0], orn_guid::kFrameTimerClass);
    EXPECT_EQ(list.Guids()[1], orn_guid::kCameraChannel);
}

TEST_F(ChannelObject, EvaluatesOncePerRender) {
    Kch_Quantifier& q = NewQuantifier(OperationId::VectorX);
    Kch_VectorChannel& v = AddVector(q, {3, 0, 0, 0});
    EXPECT_EQ(Evaluate(q), 3.0f);
    v.SetVector({4, 0, 0, 0});
    EXPECT_EQ(q.GetFloat(), 3.0f) << "a second request in the same render must not evaluate";
    q.CallChannel();
    EXPECT_EQ(q.GetFloat(), 3.0f) << "CallChannel evaluates at most once per render too";
    engine.BeginRender();
    q.CallChannel();  // first request of this render: evaluates
    v.SetVector({5, 0, 0, 0});
    EXPECT_EQ(q.GetFloat(), 4.0f);
}

TEST_F(ChannelObject, ACycleThroughItselfEndsAtTheCachedValue) {
    Kch_Quantifier& q = NewQuantifier(OperationId::Toggle);
    q.SetChild(&q, -1, 0);  // its own trigger
    q.CallChannel();        // toggle state 1.0, nothing evaluated yet (current value 0)
    EXPECT_EQ(Evaluate(q), 1.0f) << "the trigger reads the cached 0.0, so no flip";
    EXPECT_EQ(Evaluate(q), 0.0f) << "now the trigger reads the cached 1.0 and flips";
}

TEST_F(ChannelObject, CallChannelFlipsTheToggleWithoutEvaluating) {
    Kch_Quantifier& q = NewQuantifier(OperationId::Toggle);
    EXPECT_EQ(Evaluate(q), 0.0f);
    q.CallChannel();
    EXPECT_EQ(q.GetFloat(), 0.0f) << "the render's cached value stays";
    EXPECT_EQ(Evaluate(q), 1.0f);
    q.CallChannel();
    EXPECT_EQ(Evaluate(q), 0.0f);
    // With any other operation CallChannel reads the value instead.
    q.SetOperationType(static_cast<int>(OperationId::VectorX));
    AddVector(q, {6, 0, 0, 0});
    engine.BeginRender();
    q.CallChannel();
    EXPECT_EQ(q.GetFloat(), 6.0f);
}

TEST_F(ChannelObject, OperationNumbersOutsideTheTableGiveZeroAndLookUpNothing) {
    for (int op : {-1, kOperationCount, 1000, INT32_MIN, INT32_MAX}) {
        SCOPED_TRACE(op);
        Kch_Quantifier& q = NewQuantifier(op);
        AddVector(q, {1, 2, 3, 4});
        AddFloat(q, 7.0f);
        LookupRecorder lookups;
        EXPECT_TRUE(SameBits(0.0f, Evaluate(q)));
        EXPECT_TRUE(lookups.Lookups().empty());
        EXPECT_EQ(q.GetOperationType(), op);
    }
    Kch_Quantifier& last = NewQuantifier(kOperationCount - 1);
    EXPECT_EQ(last.GetOperationType(), kOperationCount - 1);
}

TEST_F(ChannelObject, MatrixSizeIsTheLengthOfTheFirstThreeRows) {
    Kch_Quantifier& q = NewQuantifier(0);
    const XMFLOAT3 size = q.GetMatrixSize({{{2, 0, 0, 9}, {0, 3, 0, 9}, {0, 0, 4, 9}, {5, 5, 5, 5}}});
    EXPECT_EQ(size.x, 2.0f);
    EXPECT_EQ(size.y, 3.0f);
    EXPECT_EQ(size.z, 4.0f);
    const XMFLOAT3 rotated = q.GetMatrixSize({{{0, 3, 4, 0}, {1, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 1}}});
    EXPECT_EQ(rotated.x, 5.0f);
    EXPECT_EQ(rotated.y, 1.0f);
    EXPECT_EQ(rotated.z, 0.0f);
}

TEST_F(ChannelObject, AccessorsStoreWhatTheyAreGiven) {
    Kch_Quantifier& q = NewQuantifier(0);
    q.SetOperationType(-5);
    EXPECT_EQ(q.GetOperationType(), -5);
    q.SetStoreCurrentValue(true);
    EXPECT_TRUE(q.GetStoreCurrentValue());
    q.SetUpdateChannelname(false);
    EXPECT_FALSE(q.GetUpdateChannelname());
}
}  // namespace
