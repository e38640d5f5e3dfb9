#pragma once

#include <string>

#include "main_window/Autostart.h"

// Start at login as a flag the test sets by hand too (as a user removing the entry); `refusal`
// non-empty makes every change fail with it.
struct MemoryAutostart : Autostart {
    bool on = false;
    std::string refusal;

    bool enabled() override { return on; }
    std::string set(bool wanted) override {
        if (!refusal.empty()) {
            return refusal;
        }
        on = wanted;
        return {};
    }
};
