#include <array>
#include <cstdint>

#include "Kch_Quantifier.h"
#include "Operations.h"

namespace {
// The evaluation column of the operation table, in the same order: row N evaluates operation N.
// It lives apart from the table because the runner, the tests and the tools read the table
// without the plug-in's code.
struct OperationRow {
    OperationId id;
    OperationFunction evaluate;
};

using O = OperationId;
namespace op = operations;

// clang-format off
constexpr std::array<OperationRow, kOperationCount> kOperationFunctions = {{
    {O::VectorDot, op::VectorDot},
    {O::VectorX, op::VectorX},
    {O::VectorY, op::VectorY},
    {O::VectorZ, op::VectorZ},
    {O::VectorLength, op::VectorLength},
    {O::VectorDistance, op::VectorDistance},
    {O::VectorDistanceSquared, op::VectorDistanceSquared},
    {O::MatrixDistanceChange, op::MatrixDistanceChange},
    {O::MatrixDistance, op::MatrixDistance},
    {O::WrapAccumulate, op::WrapAccumulate},
    {O::ClampAccumulate, op::ClampAccumulate},
    {O::Clamp, op::Clamp},
    {O::TextLength, op::TextLength},
    {O::TextFind, op::TextFind},
    {O::TextFindLast, op::TextFindLast},
    {O::TextToInteger, op::TextToInteger},
    {O::TextToFloat, op::TextToFloat},
    {O::PlacedObjectTest, op::PlacedObjectTest},
    {O::Toggle, op::Toggle},
    {O::TextEqualsIgnoreCase, op::TextEqualsIgnoreCase},
    {O::FileSize, op::FileSize},
    {O::PublicCallFloat, op::PublicCallFloat},
    {O::CameraDistance, op::CameraDistance},
    {O::SeedRandom, op::SeedRandom},
    {O::TextCount, op::TextCount},
    {O::ToggleOnRise, op::ToggleOnRise},
    {O::WrapAccumulateHalfOpen, op::WrapAccumulateHalfOpen},
    {O::ChildTimeStamp, op::ChildTimeStamp},
    {O::MatrixBoxVisible, op::MatrixBoxVisible},
    {O::PointInRectangle, op::PointInRectangle},
    {O::UnsignedValue, op::UnsignedValue},
    {O::MatrixEqual, op::MatrixEqual},
    {O::CameraInvalidateCount, op::CameraInvalidateCount},
    {O::VectorEqual, op::VectorEqual},
    {O::ValueMatchA, op::ValueMatchA},
    {O::ValueMatchB, op::ValueMatchB},
    {O::FileTimeCompare, op::FileTimeCompare},
    {O::TextFirstCharCode, op::TextFirstCharCode},
    {O::HexTextToFloatChild, op::HexTextToFloatChild},
    {O::FloatCodeToTextChild, op::FloatCodeToTextChild},
    {O::TextFirstCharStored, op::TextFirstCharStored},
    {O::VectorW, op::VectorW},
    {O::WindowHasFocus, op::WindowHasFocus},
    {O::IsDirectory, op::IsDirectory},
    {O::TextCompare, op::TextCompare},
}};
// clang-format on

// A row left out would be value-initialised: no function, and operation 0's number.
constexpr bool EveryOperationHasItsFunction() {
    for (int i = 0; i < kOperationCount; ++i) {
        const OperationRow& row = kOperationFunctions[static_cast<size_t>(i)];
        if (static_cast<int>(row.id) != i || row.evaluate == nullptr) return false;
    }
    return true;
}
static_assert(EveryOperationHasItsFunction(),
              "row N of the evaluation column must hold operation N's function");
}  // namespace

float Kch_Quantifier::CalculateValue() {
    // As unsigned, a negative number is out of range too: one test for both ends.
    const auto number = static_cast<uint32_t>(operationType);
    if (number >= static_cast<uint32_t>(kOperationCount)) return 0.0f;
    return kOperationFunctions[number].evaluate(Evaluation{*this});
}
