#pragma once

// Where this build put the programs and libraries the tests run, and the source folders they
// read. The build sets them for BuildPaths.cpp alone, so that every test file compiles to the
// same object in any build folder, and a compiler cache can share it between builds.
namespace build_paths {

extern const char* const kPlugin;
extern const char* const kHostLibrary;
extern const char* const kRunner;
extern const char* const kEngine;
extern const char* const kTestScenes;
extern const char* const kFuzzCorpus;

}  // namespace build_paths
