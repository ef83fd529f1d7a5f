#pragma once
#include <string>

namespace tarvex {

// The user's locale's sort key of a text, case ignored: comparing two keys as
// bytes orders the texts as CompareStringEx would.
std::string locale_sort_key(const std::u16string& text);

}  // namespace tarvex
