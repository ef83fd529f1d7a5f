#pragma once
// One helper runs the numbered steps of every routine that deals with failures:
// the commands (strict until their tolerant point, then silent) and the settings
// routines (each failure reported, the user's answer deciding what follows).
#include <cstddef>
#include <functional>
#include <optional>
#include <utility>

#include "base/errors.h"

namespace tarvex {

enum class StepAnswer { abort, retry, ignore };
using StepReporter = std::function<StepAnswer(const Failure&, int line)>;

class Steps {
public:
    enum class Outcome { done, skipped, abort };

    // A failing step ends the routine: its failure propagates to the caller.
    static Steps strict() { return Steps(Mode::strict, nullptr); }
    // A failing step is skipped without a word.
    static Steps silent() { return Steps(Mode::silent, nullptr); }
    // A failing step is reported; Retry runs it again, Ignore skips it, Abort ends.
    static Steps reporting(StepReporter reporter) { return Steps(Mode::reporting, std::move(reporter)); }

    // Tolerant mode: from here on every failing step is skipped silently.
    void go_silent() { mode_ = Mode::silent; }

    template <class Step>
    Outcome run(int line, Step&& step) {
        for (;;) {
            try {
                step();
                return Outcome::done;
            } catch (...) {
                if (mode_ == Mode::strict) {
                    throw;
                }
                last_ = current_failure();
                if (mode_ == Mode::silent) {
                    ++skipped_;
                    return Outcome::skipped;
                }
                const StepAnswer answer = reporter_(*last_, line);
                if (answer == StepAnswer::abort) {
                    return Outcome::abort;
                }
                if (answer == StepAnswer::ignore) {
                    return Outcome::skipped;
                }
            }
        }
    }

    // A condition test. A failed test that is ignored lets the guarded steps run,
    // as if the condition had held; nullopt means Abort.
    // A step of a routine that never reports its failures, so has no line to show.
    template <class Step>
    Outcome run(Step&& step) {
        return run(0, std::forward<Step>(step));
    }

    template <class Condition>
    std::optional<bool> test(int line, Condition&& condition) {
        bool result = true;
        if (run(line, [&] { result = condition(); }) == Outcome::abort) {
            return std::nullopt;
        }
        return result;
    }

    // How many steps tolerant mode has passed over so far.
    std::size_t skipped() const { return skipped_; }

    // The failure of the last step that failed, if any.
    const std::optional<Failure>& last_failure() const { return last_; }

private:
    enum class Mode { strict, silent, reporting };
    Steps(Mode mode, StepReporter reporter) : mode_(mode), reporter_(std::move(reporter)) {}

    Mode mode_;
    StepReporter reporter_;
    std::optional<Failure> last_;
    std::size_t skipped_ = 0;
};

}  // namespace tarvex
