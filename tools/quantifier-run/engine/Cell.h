// What an output shows of a channel at one frame.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "Orn_Types.h"
#include "Scene.h"

namespace quantifier_run {

struct TextCell {
    TextValue::Kind kind = TextValue::Kind::None;
    std::string bytes;     // narrow, up to its NUL
    std::u16string units;  // wide, up to its NUL
};
using Cell = std::variant<float, XMFLOAT4, XMMATRIX, TextCell, uint32_t, int32_t>;

}  // namespace quantifier_run
