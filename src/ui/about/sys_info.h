#pragma once
// The System Information button and the mail link, over ports: the registry, the
// system (files, programs, the shell) and message boxes. frmAbout's reader of the
// registry lives here too; it works on any root and is not the settings store's.
#include <string>

#include "ports/registry.h"
#include "ports/system.h"
#include "ui/about/about.h"
#include "ports/controls.h"

namespace tarvex::about {

// The reader's buffer. The registry port reads UTF-16 (the W functions), so the
// buffer's bytes are counted as the value's bytes: 1,024 bytes hold 512 code
// units, a value of more than 1,024 bytes does not fit, and "the last byte is 0"
// means the last code unit is 0.
inline constexpr std::size_t key_value_buffer_bytes = 1024;

// frmAbout's own registry reader, a method of the window in its design: unlike
// the settings store's GetKeyValue it reads any root, never reports, and tells
// success by its result. It reads one value of a key opened for reading only (KEY_READ: the lookups below
// must work for a standard user). True when the value was read:
// - REG_SZ sets `value` to its text, without the terminating NUL when the last
//   code unit is one (a value that fills the buffer exactly keeps all it has);
// - REG_EXPAND_SZ sets it to that text with its %NAME% references expanded;
// - REG_DWORD sets it to the number's unsigned decimal text (empty when the
//   value does not hold exactly four bytes);
// - any other type leaves `value` as it was.
// False, with `value` empty, when the key or the value is missing, the value is
// longer than the buffer, or anything fails.
namespace frmAbout {
bool GetKeyValue(Registry& registry, System& system, RegistryRoot root, const std::u16string& key_path,
                 const std::u16string& value_name, std::u16string& value);
}  // namespace frmAbout

inline constexpr char16_t msinfo_key[] = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr char16_t shared_tools_key[] = u"SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr char16_t sys_info_unavailable[] = u"System Information Is Unavailable At This Time";

// cmdSysInfo: starts the system information tool from where Windows records it,
// or says that it cannot. Nothing escapes to the caller.
void StartSysInfo(Registry& registry, System& system, MessageBoxes& messages);

// lblEmail clicked: asks the shell to open the mail link. Every failure is
// swallowed; a machine without a mail program simply shows nothing.
void open_mail_link(System& system, const Version& version);

}  // namespace tarvex::about
