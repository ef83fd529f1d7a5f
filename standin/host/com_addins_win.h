#pragma once
// COM add-ins, loaded the way the real host loads them: at start-up it reads its
// add-in keys (the user's, then the machine's, in this process's view), creates
// every entry whose LoadBehavior is 3, connects it, asks it for its ribbon and
// shows each button the ribbon names. A click calls the button's onAction by
// name through the add-in's IDispatch. At exit every add-in hears
// OnBeginShutdown, then OnDisconnection. What happens is logged, one line each,
// so that a scripted run can check it.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <optional>
#include <string>
#include <vector>

#include "base/office_contract_win.h"
#include "base/owners_win.h"

namespace standin::host {

struct AddinButton {
    std::u16string addin;  // the add-in's ProgID
    std::u16string id;
    std::u16string label;
    std::u16string screentip;
    std::u16string tag;
    std::u16string on_action;
    Microsoft::WRL::ComPtr<IDispatch> callbacks;
    tarvex::UniqueIcon image;  // from getImage; may be empty
};

class ComAddins {
public:
    ComAddins() = default;
    ComAddins(const ComAddins&) = delete;
    ComAddins& operator=(const ComAddins&) = delete;
    ~ComAddins() { unload(); }

    void load(IDispatch* application);
    const std::vector<AddinButton>& buttons() const { return buttons_; }
    // Calls the button's onAction; the reason when that failed.
    std::optional<std::u16string> click(std::size_t index);
    // OnBeginShutdown and OnDisconnection for every connected add-in, then lets go.
    void unload();

    const std::vector<std::u16string>& log() const { return log_; }

private:
    struct Loaded {
        std::u16string prog_id;
        Microsoft::WRL::ComPtr<tarvex::office::IDTExtensibility2> addin;
    };
    void load_one(HKEY root, const std::u16string& name, IDispatch* application);
    void read_ribbon(const Loaded& loaded);
    void note(std::u16string line) { log_.push_back(std::move(line)); }

    std::vector<Loaded> loaded_;
    std::vector<AddinButton> buttons_;
    Microsoft::WRL::ComPtr<IDispatch> application_;
    std::vector<std::u16string> log_;
};

// The host's add-in keys below HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
inline constexpr wchar_t addins_key[] = L"Software\\Microsoft\\Office\\Excel\\Addins";

}  // namespace standin::host
