#include "base/com_object_win.h"

#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "base/platform_win.h"

namespace tarvex::com {

namespace {

using Microsoft::WRL::ComPtr;

// Objects are called on any apartment thread of the host, and the DLL unloads on
// whichever thread calls FreeLibrary.
std::mutex type_info_mutex;
std::vector<std::pair<GUID, ComPtr<ITypeInfo>>>& cached_type_info() {
    static std::vector<std::pair<GUID, ComPtr<ITypeInfo>>> cache;
    return cache;
}

}  // namespace

HRESULT module_type_info(REFGUID guid, ComPtr<ITypeInfo>* info) noexcept {
    try {
        const std::lock_guard guard(type_info_mutex);
        auto& cache = cached_type_info();
        for (const auto& [known, cached] : cache) {
            if (known == guid) {
                *info = cached;
                return S_OK;
            }
        }
        const std::wstring path = module_path(module_instance());
        if (path.empty()) {
            return E_UNEXPECTED;
        }
        ComPtr<ITypeLib> library;
        RETURN_IF_FAILED(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library));
        ComPtr<ITypeInfo> loaded;
        RETURN_IF_FAILED(library->GetTypeInfoOfGuid(guid, &loaded));
        cache.emplace_back(guid, loaded);
        *info = std::move(loaded);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

void release_module_type_info(bool process_exiting) noexcept {
    auto& cache = cached_type_info();
    if (process_exiting) {
        for (auto& entry : cache) {
            entry.second.Detach();
        }
    }
    cache.clear();
}

}  // namespace tarvex::com
