#pragma once
// When a long command shows where it is and looks for Esc, decided from the
// clock alone: the command asks after every host call, and most of those asks
// must cost nothing.
#include <cstdint>
#include <optional>

namespace tarvex {

class ProgressPace {
public:
    // Two reports a second, the first after half a second: often enough to see
    // the count run, rarely enough that painting the status bar (some
    // milliseconds under some window systems) stays about one per cent of a long
    // command, and a command that ends sooner paints nothing extra at all.
    static constexpr std::uint64_t report_interval_ms = 500;
    // Esc is noticed within this time of its press (and after the host call then
    // running): each look asks the window system, which costs about a
    // millisecond under some of them.
    static constexpr std::uint64_t look_interval_ms = 25;

    // A command begins at `now`; it has just shown its own first text.
    void start(std::uint64_t now_ms) {
        last_shown_ = now_ms;
        last_look_.reset();
    }
    // Whether to look for Esc now: at the first ask, then at most every look interval.
    bool look_now(std::uint64_t now_ms) {
        if (last_look_ && now_ms - *last_look_ < look_interval_ms) {
            return false;
        }
        last_look_ = now_ms;
        return true;
    }
    bool report_due(std::uint64_t now_ms) const { return now_ms - last_shown_ >= report_interval_ms; }
    void reported(std::uint64_t now_ms) { last_shown_ = now_ms; }

private:
    std::uint64_t last_shown_ = 0;
    std::optional<std::uint64_t> last_look_;
};

}  // namespace tarvex
