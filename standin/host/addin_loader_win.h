#pragma once
// Opens the Tarvex add-in the way the spreadsheet host's macro does: it creates
// the add-in's public object, calls Search through IDispatch by name with the
// Application object, and lets go of the object again. The window that Search
// shows stays; the add-in's own code keeps it alive.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <optional>
#include <string>

namespace standin::host {

// Why the add-in could not be opened: the code and a text to show.
struct AddinFailure {
    HRESULT hresult = E_FAIL;
    std::u16string description;
};

class AddinLoader {
public:
    AddinLoader() = default;
    AddinLoader(const AddinLoader&) = delete;
    AddinLoader& operator=(const AddinLoader&) = delete;

    // A DLL to load from this path instead of the registered server. Empty: the
    // registered server, or else Tarvex.dll beside this program or in the folder above.
    void set_dll_path(std::u16string path) { dll_path_ = std::move(path); }

    // Calls Search(application) on a new add-in object; nullopt when it succeeded.
    [[nodiscard]] std::optional<AddinFailure> search(IDispatch* application);

private:
    // nullopt when the server is not registered at all.
    [[nodiscard]] std::optional<HRESULT> create_registered(Microsoft::WRL::ComPtr<IDispatch>* object) const;
    [[nodiscard]] std::optional<AddinFailure> create_from_file(Microsoft::WRL::ComPtr<IDispatch>* object);
    [[nodiscard]] std::optional<AddinFailure> load_module();

    std::u16string dll_path_;
    // Loaded once and never freed: a Tarvex window and its hooks live on in the
    // DLL after every object the host held is released.
    HMODULE module_ = nullptr;
};

// The message the host shows when Search failed.
std::u16string describe_open_failure(const AddinFailure& failure);

}  // namespace standin::host
