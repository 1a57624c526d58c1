#include "scene/OperationList.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "OperationTable.h"

namespace quantifier_run {
namespace {

// "float 0 (min), float 1 (max), float 2 (step)": a child's index counts the children of its
// kind before it, as the operation looks it up.
std::string ChildrenOf(const OperationInfo& info) {
    if (info.children.empty()) return "none";
    std::string text;
    for (size_t i = 0; i < info.children.size(); ++i) {
        const ChildSlot& slot = info.children[i];
        if (i > 0) text += ", ";
        text += std::string(ChildKindName(slot.kind)) + " " + std::to_string(ChildIndex(info, i)) +
                " (" + std::string(slot.role) + ")";
    }
    return text;
}

}  // namespace

std::string ReferencePageName(const OperationInfo& info) {
    const int number = static_cast<int>(info.id);
    return (number < 10 ? "0" : "") + std::to_string(number) + "-" + std::string(info.name);
}

int ChildIndex(const OperationInfo& info, size_t slot) {
    int index = 0;
    for (size_t k = 0; k < slot; ++k)
        index += info.children[k].kind == info.children[slot].kind ? 1 : 0;
    return index;
}

std::string ListOperationsJson() {
    auto rows = nlohmann::ordered_json::array();
    for (const OperationInfo& info : kOperations) {
        auto children = nlohmann::ordered_json::array();
        for (size_t i = 0; i < info.children.size(); ++i) {
            const ChildSlot& slot = info.children[i];
            children.push_back({{"role", slot.role},
                                {"kind", ChildKindName(slot.kind)},
                                {"index", ChildIndex(info, i)},
                                {"use", ChildUseName(slot.use)}});
        }
        rows.push_back({{"number", static_cast<int>(info.id)},
                        {"name", info.name},
                        {"family", OperationFamilyName(info.family)},
                        {"summary", info.summary},
                        {"children", std::move(children)},
                        {"result", ResultKindName(info.result)},
                        {"keepsState", info.keeps != StateKept::None},
                        {"state", StateKeptName(info.keeps)}});
    }
    return rows.dump(2) + "\n";
}

std::string ListOperations() {
    size_t nameWidth = 0;
    for (const OperationInfo& info : kOperations)
        nameWidth = std::max(nameWidth, info.name.size());
    std::string out;
    for (const OperationInfo& info : kOperations) {
        const std::string number = std::to_string(static_cast<int>(info.id));
        out += std::string(2 - std::min<size_t>(2, number.size()), ' ') + number + "  ";
        out += std::string(info.name) + std::string(nameWidth - info.name.size(), ' ') + "  ";
        out += ChildrenOf(info) + "\n";
    }
    return out;
}

}  // namespace quantifier_run
