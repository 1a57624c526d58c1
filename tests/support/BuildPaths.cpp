#include "support/BuildPaths.h"

namespace build_paths {

const char* const kPlugin = QUANTIFIER_PLUGIN_PATH;
const char* const kHostLibrary = QUANTIFIER_HOST_LIBRARY_PATH;
const char* const kRunner = QUANTIFIER_RUN_PATH;
const char* const kEngine = QUANTIFIER_ENGINE_PATH;
const char* const kTestScenes = QUANTIFIER_TEST_SCENES;
const char* const kFuzzCorpus = QUANTIFIER_FUZZ_CORPUS;

}  // namespace build_paths
