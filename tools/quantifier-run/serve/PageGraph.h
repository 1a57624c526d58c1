// The scene's graph as the page draws it itself: the picture's boxes, sockets and routes as
// compact JSON, and the lines of any channels at a frame, so that what travels is bounded by
// what the page shows rather than by the picture's markup.
#pragma once

#include <string>
#include <vector>

#include "view/SceneGraph.h"

namespace quantifier_run {

// The picture at the graph's frame, laid out as --format graph lays it out, in flat arrays:
// {"width", "height", "heading", "metrics": {"line", "pad", "socket", "spark"}, "texts": [...],
//  "nodes": [x, y, width, height, valueTop, sparkTop, flags, kind, group, sockets, socket...],
//  "titles": {index: the box's title where it is not the name},
//  "links": [parent's step from the link before, child, socket, flags, ...],
//  "routes": [[x, y, x, y...] per link] or null where they would be too large to send}.
// Coordinates are whole pixels; a kind or a socket's label is an index into "texts" (a socket
// that found nothing is -1 - index); flags are kNode... and kLink... below.
std::string GraphDrawingJson(const SceneGraph& graph);

inline constexpr int kNodeQuantifier = 1, kNodeWarned = 2, kNodeShared = 4, kNodeSpark = 8;
inline constexpr int kLinkUnread = 1, kLinkInternal = 2, kLinkCycle = 4;

// The lines of the channels `channels` (scene indices, each at most once) at the graph's frame:
// {"frame", "heading", "values": {index: {"rows": [...], "counts", "tip", "spark": [[low,
// high]...]}}}. A matrix's value is its four rows; "spark" comes only when `sparks` is given (the
// observation of the run's last frame, which holds the sparklines) and the channel has one (null
// where a column saw no finite value).
std::string ChannelLinesJson(const SceneGraph& graph, const std::vector<size_t>& channels,
                             const Observation* sparks);

}  // namespace quantifier_run
