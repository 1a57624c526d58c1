// Whether a quantifier's links give its operation the children it looks up, told before the
// frames run. A child the operation does not find gives the plug-in's neutral value, which
// scenes use on purpose, so what this finds is worth a warning and never stops a run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "Scene.h"

namespace quantifier_run {

// What is wrong with the links of `channels[quantifier]` when it runs `operation`: the slots of
// the operation that no link fills and the children that no slot reads, as one line that starts
// with the channel's name. Nothing when the links satisfy the operation, and nothing for a number
// outside the operation table, which evaluates to 0 whatever is linked.
std::optional<std::string> LinkProblems(std::span<const ChannelSpec> channels, size_t quantifier,
                                        int32_t operation);

// How a channel of that kind is named in these lines: by the interface it is linked through,
// except that a quantifier is called one.
std::string_view LinkedKindName(ChannelKind kind);

}  // namespace quantifier_run
