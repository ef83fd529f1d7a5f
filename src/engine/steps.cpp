#include "engine/steps.h"

#include <exception>
#include <new>

#include "addin/host.h"
#include "base/text.h"

namespace tarvex {

Failure current_failure() {
    try {
        throw;
    } catch (const HostError& e) {
        return Failure{e.number(), e.description, e.source, e.hresult};
    } catch (const TarvexError& e) {
        return Failure{e.number, e.description, tarvex_source,
                       static_cast<std::int32_t>(0x800A0000u | (e.number & 0xFFFF))};
    } catch (const std::bad_alloc&) {
        return Failure{7, u"Out of memory", tarvex_source, static_cast<std::int32_t>(0x8007000Eu)};
    } catch (const std::exception& e) {
        return Failure{51, u"Internal error: " + utf8_to_utf16(e.what()), tarvex_source,
                       static_cast<std::int32_t>(0x800A0033u)};
    } catch (...) {
        return Failure{51, u"Internal error", tarvex_source, static_cast<std::int32_t>(0x800A0033u)};
    }
}

}  // namespace tarvex
