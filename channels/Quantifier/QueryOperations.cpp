// Operations that look past the plain values: files, windows, the engine's public call and
// the object, unsigned and match children. None of them keeps state between evaluations.
#include <type_traits>

#include "Operations.h"
#include "Orn_ChannelInternal.h"
#include "Orn_Engine.h"
#include "Platform.h"
#include "ScopeGuard.h"

static_assert(std::is_same_v<OrnWideChar, platform::WideChar>,
              "the engine's wide text is passed to the system as a path unchanged");

namespace {

// The internal child whose public call leads to a float channel reports this interface type.
constexpr int kPublicCallInterfaceType = 2;

inline float Truth(bool value) {
    return value ? 1.0f : 0.0f;
}

// Child 1 is asked before child 0: the children are host channels whose answers may depend
// on the order they are asked in.
template <class Child>
float ValueMatch(Child* first, Child* second) {
    if (first == nullptr || second == nullptr) return 0.0f;
    const int32_t secondValue = second->GetMatchValue();
    const int32_t firstValue = first->GetMatchValue();
    return Truth(firstValue == secondValue);
}
}  // namespace

float operations::PlacedObjectTest(Evaluation eval) {
    Kch_ObjectChannel* object = eval.ObjectChild(0);
    if (object == nullptr) return 0.0f;
    Orn_InnerObject* inner = object->innerObject;
    // Nothing can be placed without an inner object, so there is nothing to test.
    if (inner == nullptr) return 0.0f;

    const XMMATRIX saved = inner->GetObjectMatrix();
    const XMMATRIX placement = object->GetPlacementMatrix();
    inner->SetObjectMatrix(0, &placement);
    // The inner object belongs to the scene: it goes back however the test ends.
    const ScopeGuard restore([inner, &saved] { inner->SetObjectMatrix(0, &saved); });
    return Truth(object->GetTestResult());
}

float operations::FileSize(Evaluation eval) {
    Kch_TextChannel* text = eval.TextChild(0);
    if (text == nullptr) return 0.0f;
    // The narrow text is only a presence test; the path is always the wide text.
    if (text->GetText() == nullptr) return 0.0f;
    const OrnWideChar* path = text->GetWideText();
    if (path == nullptr) return 0.0f;
    // Writers are admitted, so a file being written can still be measured.
    const platform::FileHandle file =
        platform::FileHandle::OpenForReading(path, platform::ShareMode::ReadWrite);
    if (!file.IsOpen()) return 0.0f;
    const uint32_t size = file.GetSizeLow();
    // Exact up to 2^24; above that the nearest float.
    return static_cast<float>(size);
}

float operations::PublicCallFloat(Evaluation eval) {
    Orn_Channel* internal = channelInternal->GetInternalChild(&eval.self, 0);
    if (internal == nullptr) return 0.0f;
    if (internal->GetChannelInterfaceType() != kPublicCallInterfaceType) return 0.0f;
    Orn_ChannelGroup* group = eval.self.GetChannelGroup();
    PublicCallInfo info = channelInternal->GetPublicCallInfo(internal);
    // The path is read as NUL-terminated text; a record without a terminator must not lead
    // the read past its end.
    info.filePath[sizeof info.filePath - 1] = '\0';

    // The resolver owns the complete path, so the lookup and the read happen while it lives;
    // as a local it is destroyed on every way out, exceptions from the engine included.
    FilePathFind resolver;
    if (group != nullptr) {
        const char* sourcePath = group->GetGroupPath();
        if (sourcePath != nullptr) resolver.SetSourcePath(sourcePath);
    }
    const char* completePath = resolver.GetCompleteFilePath(info.filePath);
    // The lookup under the float interface finds float channels only.
    auto* found = static_cast<Kch_FloatChannel*>(
        globalEngine->FindChannel(orn_guid::kFloatInterface, completePath));
    if (found == nullptr) return 0.0f;
    return found->GetFloat();
}

float operations::UnsignedValue(Evaluation eval) {
    Kch_UnsignedChannel* child = eval.UnsignedChild(0);
    if (child == nullptr) return 0.0f;
    return static_cast<float>(child->GetUnsignedValue());
}

float operations::ValueMatchA(Evaluation eval) {
    Kch_MatchChannelA* first = eval.MatchChildA(0);
    Kch_MatchChannelA* second = eval.MatchChildA(1);
    return ValueMatch(first, second);
}

float operations::ValueMatchB(Evaluation eval) {
    Kch_MatchChannelB* first = eval.MatchChildB(0);
    Kch_MatchChannelB* second = eval.MatchChildB(1);
    return ValueMatch(first, second);
}

float operations::FileTimeCompare(Evaluation eval) {
    Kch_TextChannel* text0 = eval.TextChild(0);
    Kch_TextChannel* text1 = eval.TextChild(1);
    // Unlike FileSize, the wide texts themselves are the presence test.
    if (text0 == nullptr) return 0.0f;
    const OrnWideChar* path0 = text0->GetWideText();
    if (path0 == nullptr) return 0.0f;
    if (text1 == nullptr) return 0.0f;
    const OrnWideChar* path1 = text1->GetWideText();
    if (path1 == nullptr) return 0.0f;

    // Readers only: a file another program is writing is not compared while it changes.
    platform::FileHandle file0 =
        platform::FileHandle::OpenForReading(path0, platform::ShareMode::Read);
    platform::FileHandle file1 =
        platform::FileHandle::OpenForReading(path1, platform::ShareMode::Read);
    // A file that cannot be opened has no time to order by: neither later nor earlier, so the
    // neutral 0.0. Both handles close on the way out.
    if (!file0.IsOpen() || !file1.IsOpen()) return 0.0f;
    const std::optional<platform::FileTime> time0 = file0.GetLastWriteTime();
    const std::optional<platform::FileTime> time1 = file1.GetLastWriteTime();
    file0.Close();
    file1.Close();
    // Likewise for a time that could not be read: only times actually read are compared.
    if (!time0 || !time1) return 0.0f;
    // Positive when file 1 is the later one.
    const int order = platform::CompareFileTime(*time0, *time1);
    return order < 0 ? 1.0f : (order > 0 ? -1.0f : 0.0f);
}

float operations::WindowHasFocus(Evaluation eval) {
    Orn_ChannelGroup* group = eval.self.GetChannelGroup();
    if (group == nullptr) return 0.0f;
    using platform::AncestorKind;

    // All four tests run, each in its own statement: the system and the engine are asked in
    // this order every time, whichever test holds.
    const platform::WindowHandle activeRoot =
        platform::GetAncestor(platform::GetActiveWindow(), AncestorKind::Root);
    const OrnWindow mainWindow1 = globalEngine->GetMainWindow();
    const bool activeRootIsMain = activeRoot == mainWindow1;

    const platform::WindowHandle activeRootOwner =
        platform::GetAncestor(platform::GetActiveWindow(), AncestorKind::RootOwner);
    const OrnWindow mainWindow2 = globalEngine->GetMainWindow();
    const bool activeRootOwnerIsMain = activeRootOwner == mainWindow2;

    const OrnWindow groupWindow1 = group->GetGroupWindow();
    const platform::WindowHandle active = platform::GetActiveWindow();
    const bool groupIsActive = groupWindow1 == active;

    const OrnWindow groupWindow2 = group->GetGroupWindow();
    const platform::WindowHandle groupRoot =
        platform::GetAncestor(groupWindow2, AncestorKind::Root);
    const platform::WindowHandle foreground = platform::GetForegroundWindow();
    const bool groupRootIsForeground = groupRoot == foreground;

    return Truth(activeRootIsMain || activeRootOwnerIsMain || groupIsActive ||
                 groupRootIsForeground);
}

float operations::IsDirectory(Evaluation eval) {
    Kch_TextChannel* text = eval.TextChild(0);
    if (text == nullptr) return 0.0f;
    if (text->GetText() == nullptr) return 0.0f;
    const OrnWideChar* path = text->GetWideText();
    if (path == nullptr || path[0] == 0) return 0.0f;
    // Equality, not a bit test: a directory with any further attribute is not counted.
    return Truth(platform::GetPathAttributes(path) == platform::kFileAttributeDirectory);
}
