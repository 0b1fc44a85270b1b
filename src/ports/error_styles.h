#pragma once
// The four error styles a procedure may use. Each procedure uses exactly the
// one its description gives; nothing else in the core catches exceptions.
#include <utility>

#include "ports/host_error.h"
#include "ports/message_box.h"

namespace quill {

// Style 1: one trap for the whole procedure; the description is shown in an
// OK-only box and the procedure ends normally.
template <class Body>
void trap_and_show(MessageBoxPort& box, const std::u16string& title, Body&& body) {
    try {
        std::forward<Body>(body)();
    } catch (...) {
        const HostError e = current_error();
        try {
            box.Show(e.description(), MsgButtons::OK, title);
        } catch (...) {
            // A box that cannot be shown has nowhere left to report to.
        }
    }
}

// Style 2: one trap for the whole procedure that ends it without a word.
template <class Body>
void trap_silently(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
    }
}

// The runtime's error record of a handler in resume-on-error mode: the last
// failure stays recorded until it is cleared.
struct ErrorRecord {
    std::int32_t number = 0;
    std::u16string description;
    void Clear() {
        number = 0;
        description.clear();
    }
};

// Style 3: skip the failing step and go on with the next one. Wrap each step
// on its own. Returns whether the step succeeded.
template <class Step>
bool skip_on_error(Step&& step) noexcept {
    try {
        std::forward<Step>(step)();
        return true;
    } catch (...) {
        return false;
    }
}

template <class Step>
bool skip_on_error(ErrorRecord& record, Step&& step) noexcept {
    try {
        std::forward<Step>(step)();
        return true;
    } catch (...) {
        const HostError e = current_error();
        record.number = e.number();
        record.description = e.description();
        return false;
    }
}

// Style 4, no trap, needs no helper: the failure goes to the caller, and from
// a dialog handler to the dialog's event dispatcher.

}  // namespace quill
