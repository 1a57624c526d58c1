// A scene as a graph at one frame, from the scene and what the engine observed: the channels
// with their values, counts and warnings, the links labelled by the slot that reads them, and
// the slots that found nothing. The picture, the Graphviz text and the explanation read it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Observation.h"
#include "engine/Scene.h"

namespace quantifier_run {

struct GraphLink {
    size_t parent = 0;
    size_t child = 0;
    std::string label;  // the slot's role, kind and index; "not read" when no slot reads it
    bool read = false;
    bool internal = false;  // the engine's internal child, not a link
    size_t socket = 0;      // where it ends on its parent's box, GraphNode::sockets
};

// A place on a reader's box where a link ends: one per slot of its operation, in the operation's
// order, then one per link no slot reads.
struct GraphSocket {
    std::string label;     // "role · kind index", "not read", "internal 0"
    bool missing = false;  // the slot was looked up and found nothing
};

// What a channel's box says, line by line and whole: the picture cuts each line to its box
// (ShownInBox), the Graphviz text takes them as they are, the page as the picture shows them. How
// a warning or a shared channel is marked beside the name is each picture's own.
// The lines by name, as the page's answers and its picture call them.
enum class BoxLine { Name, Kind, Value, Counts, Missing };
std::string_view BoxLineName(BoxLine line);

struct BoxLines {
    std::string name;
    std::string kind;                   // its kind, a quantifier's operation, its group
    std::string value;                  // "= value", or "not read at frame N"
    std::optional<std::string> counts;  // a quantifier's reads and computations
    std::vector<std::string> missing;   // "missing: slot", for each slot that found nothing
};

// A link whose other end a part of the graph leaves out (view/GraphFocus.h): drawn as a stub.
struct CutLink {
    std::string other;  // the channel not drawn
    std::string label;  // the slot that reads the link
    size_t socket = 0;  // a cut input's socket on the box drawn
};

struct GraphNode {
    std::string name;
    std::string kind;       // "float", "quantifier", ...
    std::string operation;  // a quantifier's operation at the frame, by name or number
    std::string value;      // as the other formats write it; empty when nothing read it then
    bool quantifier = false;
    uint32_t reads = 0, evaluations = 0;
    std::optional<std::string> warning;  // what is wrong with its links, one line
    std::vector<std::string> missing;    // slots that found nothing, by role, kind and index
    std::vector<GraphSocket> sockets;
    std::optional<size_t> group;
    size_t parents = 0;  // links and internal links that reach it
    const std::vector<float>* sparkLow = nullptr;
    const std::vector<float>* sparkHigh = nullptr;
    BoxLines box;  // built from the fields above, for every view that shows the node
    std::vector<CutLink> cutInputs;   // links to children not drawn
    std::vector<CutLink> cutReaders;  // links from readers not drawn
};

struct SceneGraph {
    size_t frame = 0;
    size_t frames = 1;             // the run's, which the sparklines' columns divide
    std::string heading;           // "frame N", over the whole picture
    std::string note;              // beside it: what a part of the graph leaves out
    std::vector<GraphNode> nodes;  // by scene index
    std::vector<GraphLink> links;  // by parent, then link order, then internal children
    std::vector<std::string> groups;
};

// `observation` must outlive the graph (the sparklines are its own).
SceneGraph BuildSceneGraph(const Scene& scene, const Observation& observation);

// How a lookup is named: "role (kind index)", or "kind index" when the row gives no role.
std::string SlotName(const std::optional<int32_t>& operation, const ObservedLookup& lookup);

}  // namespace quantifier_run
