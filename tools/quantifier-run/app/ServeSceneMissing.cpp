// A build without the live page's server (QUANTIFIER_WITH_SERVE off, or no HTTP library for the
// target): --serve says how to get one.
#include "app/Run.h"
#include "app/WatchScene.h"

namespace quantifier_run {

bool ServeAvailable() {
    return false;
}

const char* ServeUnavailableReason() {
    return "not in this build: it needs the HTTP library cpp-httplib (libcpp-httplib-dev), "
           "which the system packages for Linux only; configure with QUANTIFIER_WITH_SERVE=ON "
           "where it is installed";
}

int ServeScene(const Options&, std::ostream& err, bool, const WatchControl*) {
    return ReportFailure({kExitBadInput, std::string("--serve: ") + ServeUnavailableReason()}, err);
}

}  // namespace quantifier_run
