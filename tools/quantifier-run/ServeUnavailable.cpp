// A build without the HTTP library (the system packages it for its own platform only).
#include "RunError.h"
#include "Serve.h"

namespace quantifier_run {

bool ServeAvailable() {
    return false;
}

const char* ServeUnavailableReason() {
    return "not in this build: the HTTP library it serves with is packaged by the system for Linux "
           "only";
}

int ServePage(ServeState&, uint16_t, std::ostream&, const std::function<int()>&) {
    throw RunError(kExitBadInput, std::string("--serve: ") + ServeUnavailableReason());
}

}  // namespace quantifier_run
