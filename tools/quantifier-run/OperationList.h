// The operation table as the user reads it: number, name and the children each one takes.
#pragma once

#include <string>

namespace quantifier_run {

// One line per operation, in number order: "<number>  <name>  <children>".
std::string ListOperations();

}  // namespace quantifier_run
