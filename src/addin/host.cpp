#include "addin/host.h"

namespace tarvex {

std::int32_t error_number(std::int32_t hresult) {
    const auto code = static_cast<std::uint32_t>(hresult);
    switch (code) {
        case 0x80020005u:  // DISP_E_TYPEMISMATCH
            return 13;
        case 0x8002000Bu:  // DISP_E_BADINDEX
            return 9;
        case 0x8002000Au:  // DISP_E_OVERFLOW
            return 6;
        case 0x8007000Eu:  // E_OUTOFMEMORY
            return 7;
        case 0x80020006u:  // DISP_E_UNKNOWNNAME
        case 0x80020003u:  // DISP_E_MEMBERNOTFOUND
            return 438;
        default:
            break;
    }
    if ((code & 0xFFFF0000u) == 0x800A0000u) {
        return static_cast<std::int32_t>(code & 0xFFFFu);
    }
    return hresult;
}

}  // namespace tarvex
