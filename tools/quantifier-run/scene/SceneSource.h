// Where the parts of a scene stand in its file, and what of the file only the runner reads. Kept
// beside the Scene, which travels to the engine side unchanged, so that a message about a
// channel, a link or an action raised after reading (a link warning, a cycle) names its line and
// column as the reader's own messages do.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "scene/JsonDocument.h"

namespace quantifier_run {

struct ChannelSource {
    TextPosition name{};                 // the channel's name
    TextPosition children{};             // its "children", or its name when it has none
    std::vector<TextPosition> links;     // each child, in link order
    std::vector<TextPosition> internal;  // each internal child
    // Its "frames" list or its "keys", when it gives its values per frame.
    std::optional<TextPosition> perFrame;
    // The first of its keys after the frames the scene states, if any.
    std::optional<TextPosition> lateKey;
    // "feedback": true, its cycles are meant (a read of it within its own render gives the value
    // it already holds).
    bool feedback = false;
};

struct ActionSource {
    TextPosition frame{};  // the action's "frame"
    TextPosition value{};  // its "value", or its "do" when it takes none
};

struct SceneSource {
    std::string label;                   // how messages name the file
    std::optional<size_t> statedFrames;  // the file's "frames"
    std::vector<ChannelSource> channels;
    std::vector<ActionSource> actions;
    std::optional<TextPosition> timer;         // the timer's per-frame list
    std::optional<TextPosition> cameraFrames;  // the camera's per-frame list

    // "<file>:<line>:<column>: <text>".
    std::string Placed(const PlacedMessage& message) const {
        return label + ":" + std::to_string(message.at.line) + ":" +
               std::to_string(message.at.column) + ": " + message.text;
    }
};

}  // namespace quantifier_run
