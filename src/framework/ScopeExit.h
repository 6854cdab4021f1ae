#pragma once
// An action run when a scope ends, however it ends: a step that throws half-way through a
// change cannot leave the windows in the middle of it.
#include <exception>
#include <utility>

#include "framework/Application.h"

namespace fw {

template <class F>
class ScopeExit {
public:
    explicit ScopeExit(F action) : action_(std::move(action)), unwinding_(std::uncaught_exceptions()) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    // Leaving normally, the action's own error goes on; on the way out of another one it is
    // reported, since two errors cannot travel together.
    ~ScopeExit() noexcept(false) {
        if (std::uncaught_exceptions() == unwinding_) {
            action_();
            return;
        }
        try {
            action_();
        } catch (...) {
            Application().HandleException(nullptr);
        }
    }

private:
    F action_;
    int unwinding_;
};

}  // namespace fw
