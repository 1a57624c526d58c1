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

float Unlisted(Evaluation) {
    return 0.0f;
}
}  // namespace

OperationFunction operations::FunctionOf(int32_t number) {
    // As unsigned, a negative number is out of range too: one test for both ends.
    const auto index = static_cast<uint32_t>(number);
    return index < static_cast<uint32_t>(kOperationCount) ? kOperationFunctions[index] : &Unlisted;
}

float Kch_Quantifier::CalculateValue() {
    // The range test was made when the number was set (operations::FunctionOf).
    return evaluate(Evaluation{*this});
}
