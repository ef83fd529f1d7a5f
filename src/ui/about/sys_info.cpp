#include "ui/about/sys_info.h"

namespace tarvex::about {
namespace {

// The value's bytes as UTF-16 code units, without a final NUL. An odd last byte
// is half a character and is dropped.
std::u16string value_text(const RegistryValue& value) {
    std::u16string text;
    text.reserve(value.data.size() / 2);
    for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
        text.push_back(static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8)));
    }
    if (!text.empty() && text.back() == u'\0') {
        text.pop_back();
    }
    return text;
}

// Where the tool is, or nothing when Windows does not say.
std::optional<std::u16string> sys_info_path(Registry& registry, System& system) {
    std::u16string path;
    // The recorded full path is trusted as it is: if it names nothing, starting it
    // fails and the user hears about it.
    if (frmAbout::GetKeyValue(registry, system, hkey_local_machine, msinfo_key, u"PATH", path)) {
        return path;
    }
    std::u16string folder;
    if (!frmAbout::GetKeyValue(registry, system, hkey_local_machine, shared_tools_key, u"MSINFO", folder)) {
        return std::nullopt;
    }
    // The folder is used as read, a trailing backslash included.
    path = folder + u"\\MSINFO32.EXE";
    if (!system.is_ordinary_file(path)) {
        return std::nullopt;
    }
    return path;
}

}  // namespace

bool frmAbout::GetKeyValue(Registry& registry, System& system, RegistryRoot root, const std::u16string& key_path,
                           const std::u16string& value_name, std::u16string& value) {
    try {
        const std::optional<Registry::Key> key = registry.open_key(root, key_path, key_read);
        if (!key) {
            value.clear();
            return false;
        }
        const OpenKey open(registry, *key);
        const std::optional<RegistryValue> read = registry.query_value(open.get(), value_name);
        if (!read || read->data.size() > key_value_buffer_bytes) {
            value.clear();
            return false;
        }
        switch (read->type) {
            case reg_type::sz:
                value = value_text(*read);
                break;
            case reg_type::expand_sz:
                value = system.expand_environment(value_text(*read));
                break;
            case reg_type::dword:
                value = registry_value_text(*read);
                break;
            default:
                break;
        }
        return true;
    } catch (...) {
        value.clear();
        return false;
    }
}

void StartSysInfo(Registry& registry, System& system, MessageBoxes& messages) {
    bool started = false;
    try {
        if (const std::optional<std::u16string> path = sys_info_path(registry, system)) {
            started = system.start_program(*path);
        }
    } catch (...) {
        // Every failure on the way ends in the one message below.
    }
    if (started) {
        return;
    }
    try {
        messages.show(
            MessageRequest{sys_info_unavailable, std::u16string(title), MessageButtons::ok, MessageIcon::none, 1});
    } catch (...) {
        // Not even the message could be shown: there is nobody left to tell.
    }
}

void open_mail_link(System& system, const Version& version) {
    try {
        system.open_url(mail_url(version));
    } catch (...) {
        // A missing mail program or a failing shell is not the user's problem here.
    }
}

}  // namespace tarvex::about
