#include <cstdint>
#include <iterator>

#include "Kch_Quantifier.h"
#include "Operations.h"

namespace {
// Row N is operation N's function: the column is expanded from the same list, in the same
// order, as the table's rows and the enum's numbers, so a row can neither go missing nor hold
// another operation's function. A function the list names but no family file defines is an
// undefined reference when the plug-in links.
constexpr OperationFunction kOperationFunctions[] = {
#define QUANTIFIER_OPERATION(Name, ...) &operations::Name,
#include "Operations.def"
};
static_assert(std::size(kOperationFunctions) == kOperationCount);
}  // namespace

float Kch_Quantifier::CalculateValue() {
    // As unsigned, a negative number is out of range too: one test for both ends.
    const auto number = static_cast<uint32_t>(operationType);
    if (number >= static_cast<uint32_t>(kOperationCount)) return 0.0f;
    return kOperationFunctions[number](Evaluation{*this});
}
