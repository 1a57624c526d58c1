// What an output shows of a channel at one frame: a value of one of the kinds' value types,
// read back as a parent would read it (a text up to its first NUL).
#pragma once

#include "engine/Scene.h"

namespace quantifier_run {

using Cell = Value;

// One callable of several lambdas, for std::visit over a Cell: a visit that leaves out an
// alternative does not compile, so a new value type is handled wherever cells are shown.
template <class... Lambdas>
struct Overloaded : Lambdas... {
    using Lambdas::operator()...;
};
template <class... Lambdas>
Overloaded(Lambdas...) -> Overloaded<Lambdas...>;

}  // namespace quantifier_run
