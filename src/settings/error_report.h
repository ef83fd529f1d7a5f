#pragma once
// The error report the settings routines show for a failure they trap: a warning
// box with Abort, Retry and Ignore, in one of two layouts.
#include <string_view>

#include "base/steps.h"
#include "ports/controls.h"

namespace tarvex {

// The two layouts: one names the step's line within the routine, the other the
// failure's source.
enum class ReportShape { with_line, with_source };

// The box for a failure of the routine with the given tag (": UpdateKey",
// ":RegSettings:SaveColumnInfo") at step `line`.
MessageRequest error_report(ReportShape shape, std::u16string_view routine_tag, const Failure& failure, int line);

// A step reporter that shows the report and turns the answer into the step's fate.
StepReporter report_with(MessageBoxes& messages, ReportShape shape, std::u16string_view routine_tag);

// The steps of a settings routine that reports its failures.
inline Steps reporting_steps(MessageBoxes& messages, ReportShape shape, std::u16string_view routine_tag) {
    return Steps::reporting(report_with(messages, shape, routine_tag));
}

}  // namespace tarvex
