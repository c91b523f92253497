// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <utility>

namespace tarvik {

// Runs a clean-up on every way out of a scope.
template <typename F>
class [[nodiscard]] ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() { f_(); }

private:
    F f_;
};

}  // namespace tarvik
