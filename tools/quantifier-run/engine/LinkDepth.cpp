#include "engine/LinkDepth.h"

#include <algorithm>
#include <vector>

namespace quantifier_run {

namespace {
// Each channel's links, and one more node that stands for "any registered channel", so that a
// scene of many registered channels costs one edge each rather than one per pair.
std::vector<std::vector<size_t>> LinksOf(const Scene& scene) {
    const size_t channels = scene.channels.size();
    const size_t anyRegistered = channels;
    std::vector<std::vector<size_t>> links(channels + 1);
    for (size_t i = 0; i < channels; ++i) {
        const ChannelSpec& def = scene.channels[i];
        links[i] = def.children;
        links[i].insert(links[i].end(), def.internalChildren.begin(), def.internalChildren.end());
        if (!def.internalChildren.empty()) links[i].push_back(anyRegistered);
        if (def.registeredName) links[anyRegistered].push_back(i);
    }
    return links;
}

// Tarjan's strongly connected components, without recursion (the scenes measured here are the
// ones too deep for it). Components come out sinks first, so each one's depth follows from
// those it links to, which are already known.
struct ComponentDepths {
    static constexpr size_t kUnseen = SIZE_MAX;
    struct Frame {
        size_t node;
        size_t next;  // index into links[node]
    };

    ComponentDepths(const std::vector<std::vector<size_t>>& links, size_t anyRegistered)
        : links(links),
          anyRegistered(anyRegistered),
          order(links.size(), kUnseen),
          low(links.size()),
          component(links.size(), kUnseen),
          onStack(links.size()) {}

    // The walk from `root`, its calls kept on a stack of their own.
    void Walk(size_t root) {
        calls.push_back({root, 0});
        while (!calls.empty()) {
            Frame& frame = calls.back();
            const size_t v = frame.node;
            if (frame.next == 0 && order[v] == kUnseen) {
                order[v] = low[v] = counter++;
                open.push_back(v);
                onStack[v] = true;
            }
            if (frame.next < links[v].size()) {
                const size_t w = links[v][frame.next++];
                if (order[w] == kUnseen) {
                    calls.push_back({w, 0});
                } else if (onStack[w]) {
                    low[v] = std::min(low[v], order[w]);
                }
                continue;
            }
            if (low[v] == order[v]) Close(v);
            calls.pop_back();
            if (!calls.empty()) low[calls.back().node] = std::min(low[calls.back().node], low[v]);
        }
    }

    // Takes the component whose root is `v` off the open nodes. Its depth is its channels and
    // the deepest of the components it links to.
    void Close(size_t v) {
        const size_t id = depths.size();
        size_t members = 0, below = 0;
        std::vector<size_t> inside;
        for (size_t w = kUnseen; w != v;) {
            w = open.back();
            open.pop_back();
            onStack[w] = false;
            component[w] = id;
            inside.push_back(w);
            if (w != anyRegistered) ++members;
        }
        for (size_t w : inside) {
            for (size_t x : links[w]) {
                if (component[x] != id) below = std::max(below, depths[component[x]]);
            }
        }
        depths.push_back(members + below);
        deepest = std::max(deepest, depths.back());
    }

    const std::vector<std::vector<size_t>>& links;
    const size_t anyRegistered;
    std::vector<size_t> order, low, component;
    std::vector<size_t> open, depths;
    std::vector<bool> onStack;
    std::vector<Frame> calls;
    size_t counter = 0, deepest = 0;
};
}  // namespace

size_t LinkDepth(const Scene& scene) {
    const std::vector<std::vector<size_t>> links = LinksOf(scene);
    ComponentDepths components(links, scene.channels.size());
    for (size_t root = 0; root < links.size(); ++root) {
        if (components.order[root] == ComponentDepths::kUnseen) components.Walk(root);
    }
    return components.deepest;
}

}  // namespace quantifier_run
