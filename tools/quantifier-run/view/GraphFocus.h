// A part of a scene's graph that a picture can hold: one channel's neighbourhood, or the outputs
// and what they read. The parts are plain lists of the whole graph's indices, so that the command
// line's picture and the page choose them alike; PartOf makes a graph of one to draw.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "view/SceneGraph.h"

namespace quantifier_run {

// How many channels a picture draws before a scene is drawn from its outputs instead: a hundred
// boxes read at full size in a few screens of scrolling; two hundred no longer do.
inline constexpr size_t kMostChannelsDrawn = 100;
// How many links each way --focus draws by default: where a value comes from and where it goes,
// two steps each, which keeps a much-shared channel's neighbourhood to a screen.
inline constexpr size_t kFocusDepth = 2;

struct GraphPart {
    std::vector<size_t> nodes;  // the channels kept, by index in SceneGraph::nodes, ascending
    std::vector<size_t> links;  // the links between kept channels, by index in SceneGraph::links
    std::vector<size_t> cut;    // the links with one end kept: drawn as a stub at that end
    size_t depth = 0;           // how many links deep it reaches
    bool deeper = false;        // channels further than `depth` were left out
    size_t outputs = 0;         // for the outputs' part: how many outputs it holds
    size_t outputsGiven = 0;    // and how many there are
};

// `channel`, what it reads to `depth` links down and what reads it to `depth` links up, with the
// links between any two of them.
GraphPart FocusOn(const SceneGraph& graph, size_t channel, size_t depth);

// The outputs and what they read, as deep as holds at most `most` channels. When the outputs
// alone are more than that, the first of them in their order, each with what it reads directly,
// as many as fit (at least one).
GraphPart OutputsPart(const SceneGraph& graph, const std::vector<size_t>& outputs, size_t most);

// What a part leaves out, as the picture says it beside its heading: of --focus on `channel`, of
// the outputs' part.
std::string FocusNote(const SceneGraph& graph, const GraphPart& part, size_t channel);
std::string OutputsNote(const SceneGraph& graph, const GraphPart& part);

// The graph of the part alone: its channels in the part's order, the kept links renumbered, and
// on each kept channel the links cut from it (GraphNode::cutInputs, cutReaders). `note` is what
// the picture says was left out, over it beside the heading.
SceneGraph PartOf(const SceneGraph& graph, const GraphPart& part, std::string note);

}  // namespace quantifier_run
