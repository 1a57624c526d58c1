// The operation table as the user reads it: number, name and the children each one takes,
// by role.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct OperationInfo;

namespace quantifier_run {

// One line per operation, in number order: "<number>  <name>  <children>".
std::string ListOperations();

// Every field of every row, as a JSON array in number order, for editors and scripts.
std::string ListOperationsJson();

// Up to three operation names for a name that is none: the nearest by edit distance or, when
// none is near, those that share a word with it, in their names (the operations of a family share
// the first word of theirs: Text..., Vector..., Matrix...) or in what they do ("RisingEdge":
// ToggleOnRise).
std::vector<std::string> OperationsNear(std::string_view name);

// Child `slot`'s index among the operation's children of its kind, as the operation looks it
// up.
int ChildIndex(const OperationInfo& info, size_t slot);

// The name of the operation's page in the reference, "11-Clamp": docs/operations/ holds it as
// Markdown (.md), its example's rows (.csv) and chart (.svg).
std::string ReferencePageName(const OperationInfo& info);

}  // namespace quantifier_run
