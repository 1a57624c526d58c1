// quantifier-reference: writes the operations reference (docs/operations/) from the operation
// table, the prose beside this program's sources and the example scenes, running each example
// through the runner.
#include <exception>
#include <filesystem>
#include <iostream>

#include "Process.h"
#include "ProgramStart.h"
#include "ReferencePages.h"
#include "common/FilePath.h"

int main(int argc, char** argv) {
    const auto arguments = platform::CommandLineArguments(argc, argv);
    if (arguments.size() != 2) {
        std::cerr << "usage: quantifier-reference SOURCE-FOLDER OUTPUT-FOLDER\n"
                     "Writes the operations reference into OUTPUT-FOLDER (made if missing) from "
                     "the project's sources in SOURCE-FOLDER.\n";
        return 2;
    }
    try {
        const std::filesystem::path root = quantifier_run::FilePath(arguments[0]);
        const std::filesystem::path out =
            std::filesystem::absolute(quantifier_run::FilePath(arguments[1]));
        std::filesystem::create_directories(out);
        quantifier_reference::WriteReference(
            {.root = std::filesystem::absolute(root),
             .prose = std::filesystem::absolute(root / "tools/quantifier-reference/operations"),
             .examples = std::filesystem::absolute(root / "examples/operations")},
            out);
    } catch (const std::exception& error) {
        std::cerr << "quantifier-reference: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
