// Runs an action when a scope ends, however it ends: to put back what an operation lent out.
#pragma once

#include <exception>
#include <utility>

template <class Action>
class ScopeGuard {
public:
    explicit ScopeGuard(Action action)
        : action(std::move(action)), exceptionsAtStart(std::uncaught_exceptions()) {}
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

    // On a normal exit an exception from the action leaves as usual. While another exception
    // is leaving the scope a second one cannot: the first goes on and the action's is dropped.
    ~ScopeGuard() noexcept(false) {
        if (std::uncaught_exceptions() == exceptionsAtStart) {
            action();
            return;
        }
        try {
            action();
        } catch (...) {
        }
    }

private:
    Action action;
    int exceptionsAtStart;
};
