#include "scene/OperationList.h"

#include <algorithm>
#include <cctype>

#include <nlohmann/json.hpp>

#include "OperationTable.h"
#include "common/Suggestions.h"

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

// The words of a name written in camel case ("ToggleOnRise") or of a sentence, in lower case;
// words of fewer than three letters say too little to match on.
std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    const auto end = [&] {
        if (word.size() >= 3) words.push_back(word);
        word.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!std::isalpha(c)) {
            end();
            continue;
        }
        if (std::isupper(c) && i > 0 && std::islower(static_cast<unsigned char>(text[i - 1])))
            end();
        word += static_cast<char>(std::tolower(c));
    }
    end();
    return words;
}

// Two forms of one word: "rise" and "rising", "count" and "counter". They share all but the last
// letter of the shorter one, and at least three.
bool SameWord(const std::string& a, const std::string& b) {
    const size_t shorter = std::min(a.size(), b.size());
    size_t common = 0;
    while (common < shorter && a[common] == b[common])
        ++common;
    return common >= 3 && common + 1 >= shorter;
}

}  // namespace

std::string ReferencePageName(const OperationInfo& info) {
    const int number = static_cast<int>(info.id);
    return (number < 10 ? "0" : "") + std::to_string(number) + "-" + std::string(info.name);
}

std::vector<std::string> OperationsNear(std::string_view name) {
    std::vector<std::string> names;
    for (const OperationInfo& info : kOperations)
        names.emplace_back(info.name);
    if (std::vector<std::string> near = NearestNames(name, names); !near.empty()) return near;
    // A word of an operation's name counts twice a word of what it does.
    const std::vector<std::string> wanted = Words(name);
    std::vector<std::pair<int, size_t>> scored;
    for (size_t op = 0; op < kOperations.size(); ++op) {
        const std::vector<std::string> own = Words(kOperations[op].name);
        const std::vector<std::string> does = Words(kOperations[op].summary);
        int score = 0;
        for (const std::string& word : wanted) {
            const auto in = [&](const std::vector<std::string>& words) {
                return std::any_of(words.begin(), words.end(),
                                   [&](const std::string& w) { return SameWord(word, w); });
            };
            score += in(own) ? 2 : in(does) ? 1 : 0;
        }
        if (score > 0) scored.emplace_back(-score, op);
    }
    std::sort(scored.begin(), scored.end());
    std::vector<std::string> near;
    for (size_t i = 0; i < scored.size() && i < 3; ++i)
        near.emplace_back(kOperations[scored[i].second].name);
    return near;
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
