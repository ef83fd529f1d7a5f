#pragma once
// Early return at the COM edge: a failed HRESULT goes back to the caller as it is.
#include <windows.h>

#define RETURN_IF_FAILED(expression)      \
    do {                                  \
        const HRESULT hr_ = (expression); \
        if (FAILED(hr_)) {                \
            return hr_;                   \
        }                                 \
    } while (false)
