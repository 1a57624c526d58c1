// The class's virtual table is an ABI shared with hosts compiled against its header: the
// slots are checked on the compiled table, through the ABI's encoding of pointers to
// virtual members (Itanium C++ ABI, used by GCC, Clang and MinGW: 1 + the byte offset).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "Kch_MatrixChannel.h"
#include "Kch_Quantifier.h"
#include "Kch_TextChannel.h"
#include "Kch_VectorChannel.h"

namespace {
template <class Member>
std::ptrdiff_t Slot(Member member) {
    static_assert(sizeof(Member) == 2 * sizeof(std::ptrdiff_t));
    std::ptrdiff_t raw[2];
    std::memcpy(raw, &member, sizeof raw);
    EXPECT_EQ(raw[0] % static_cast<std::ptrdiff_t>(sizeof(void*)), 1) << "not a virtual member";
    return (raw[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

// In this ABI the destructor takes two slots (complete and deleting), so the n-th operation
// of the engine's list (the destructor being the first) sits in slot n for n >= 2.
TEST(VtableLayout, OwnOperationsFollowTheThirtyTwoInheritedOnes) {
    EXPECT_EQ(Slot(&Kch_Quantifier::CallChannel), 2);
    EXPECT_EQ(Slot(&Kch_Quantifier::SaveChannel), 6);
    EXPECT_EQ(Slot(&Kch_Quantifier::LoadChannel), 7);
    EXPECT_EQ(Slot(&Kch_Quantifier::GetTimeStamp), 11);
    EXPECT_EQ(Slot(&Kch_Quantifier::SetTimeStamp), 12);
    EXPECT_EQ(Slot(&Kch_Quantifier::DoDependencyInit), 13);
    EXPECT_EQ(Slot(&Kch_Quantifier::GetContextRenderCountName), 21);
    EXPECT_EQ(Slot(&Kch_Quantifier::GetFloat), 22);
    EXPECT_EQ(Slot(&Kch_Quantifier::SetFloat), 24);
    EXPECT_EQ(Slot(&Kch_Quantifier::SetSliderMaxValue), 32);
    EXPECT_EQ(Slot(&Kch_Quantifier::IncreaseInvalidateCount), 33);
    EXPECT_EQ(Slot(&Kch_Quantifier::CalculateValue), 34);
    EXPECT_EQ(Slot(&Kch_Quantifier::SetOperationType), 35);
    EXPECT_EQ(Slot(&Kch_Quantifier::GetOperationType), 36);
    EXPECT_EQ(Slot(&Kch_Quantifier::SetStoreCurrentValue), 37);
    EXPECT_EQ(Slot(&Kch_Quantifier::GetStoreCurrentValue), 38);
    EXPECT_EQ(Slot(&Kch_Quantifier::GetUpdateChannelname), 39);
    EXPECT_EQ(Slot(&Kch_Quantifier::SetUpdateChannelname), 40);
    EXPECT_EQ(Slot(&Kch_Quantifier::GetMatrixSize), 41);
}

TEST(VtableLayout, ChildGettersSitRightAfterTheChannelOperations) {
    EXPECT_EQ(Slot(&Kch_VectorChannel::GetVector), 22);
    EXPECT_EQ(Slot(&Kch_MatrixChannel::GetMatrix), 22);
    EXPECT_EQ(Slot(&Kch_TextChannel::GetText), 22);
    EXPECT_EQ(Slot(&Kch_TextChannel::SetText), 23);
    EXPECT_EQ(Slot(&Kch_TextChannel::IsWideText), 24);
    EXPECT_EQ(Slot(&Kch_TextChannel::GetWideText), 25);
}
}  // namespace
