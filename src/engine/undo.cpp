#include "engine/undo.h"

namespace tarvex {

std::u16string restoring_input(const UndoEntry& entry) {
    // The apostrophe is the host's own mark for "take this as text": it is not
    // part of the value, and a text that needs no mark is not changed by one.
    if (entry.before_is_text && !entry.before.empty()) {
        return u"'" + entry.before;
    }
    return entry.before;
}

}  // namespace tarvex
