#include "settings/error_report.h"

#include "base/text.h"

namespace tarvex {

MessageRequest error_report(ReportShape shape, std::u16string_view routine_tag, const Failure& failure, int line) {
    const std::u16string title = application_title;
    const std::u16string tag(routine_tag);
    MessageRequest request;
    request.buttons = MessageButtons::abort_retry_ignore;
    request.icon = MessageIcon::exclamation;
    request.default_button = 1;
    if (shape == ReportShape::with_line) {
        request.title = title + u" Error";
        request.text = u"Error " + decimal(failure.number) + u": \r\n" + failure.description +
                       u"\r\n\t\toccurred at line " + decimal(line) + u"\r\nin " + title + tag;
    } else {
        request.title = title + u" Error.";
        request.text = u"Error : " + decimal(failure.number) + u"\r\nDescription: " + failure.description + u"\r\nIn " +
                       title + tag + u"\r\nThe source of the error appeard to be : " + failure.source;
    }
    return request;
}

StepReporter report_with(MessageBoxes& messages, ReportShape shape, std::u16string_view routine_tag) {
    return [&messages, shape, routine_tag](const Failure& failure, int line) {
        switch (messages.show(error_report(shape, routine_tag, failure, line))) {
            case MessageAnswer::retry:
                return StepAnswer::retry;
            case MessageAnswer::ignore:
                return StepAnswer::ignore;
            default:
                // Abort, or a box closed some other way, ends the routine.
                return StepAnswer::abort;
        }
    };
}

}  // namespace tarvex
