// The scene schema, written from the lists the scene reader uses: the kinds and their keys, the
// keys of every other object, the actions, the operations with their summaries, and the limits.
// The committed scene.schema.json is this text, and a test regenerates it.
#pragma once

#include <string>

namespace quantifier_run {

// The schema as JSON text, ending with a line break.
std::string SceneSchema();

}  // namespace quantifier_run
