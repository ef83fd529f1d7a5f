// Writes the installer's registry rows as WiX includes, from the DLL's own
// registration table, so that the package writes what registering the DLL
// writes:
//   registry_rows FOLDER
// writes into FOLDER
//   classes.wxi  the class keys and the type library's interface keys, for the
//                component of one bitness; the .wxs defines Server, the DLL
//                file's reference, before each include of it
//   names.wxi    the programmatic identifiers both bitnesses share
//   alias.wxi    the versioned alias of the class's name
// Each group's key path is the row that makes the rest usable: the server's
// path for the classes, the CLSID a name leads to for the names.
#include <cstdio>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "addin/registration_table.h"

namespace {

namespace registration = tarvex::registration;

// The table is ASCII throughout; anything else is a mistake worth stopping for.
std::string narrow(std::wstring_view text) {
    std::string out;
    for (const wchar_t c : text) {
        if (c < 0x20 || c > 0x7E) {
            throw std::invalid_argument("the registration table holds a character outside printable ASCII");
        }
        switch (c) {
            case L'&':
                out += "&amp;";
                break;
            case L'<':
                out += "&lt;";
                break;
            case L'>':
                out += "&gt;";
                break;
            case L'"':
                out += "&quot;";
                break;
            default:
                out += static_cast<char>(c);
        }
    }
    return out;
}

struct Row {
    std::wstring key;
    std::wstring value_name;
    std::string value;  // already in WiX's terms: text, or a variable reference
};

std::string row_xml(const Row& row, bool key_path) {
    std::string xml =
        "  <RegistryValue Root=\"HKCU\" Key=\"" + narrow(registration::classes_key) + "\\" + narrow(row.key) + "\"";
    if (!row.value_name.empty()) {
        xml += " Name=\"" + narrow(row.value_name) + "\"";
    }
    xml += " Type=\"string\" Value=\"" + row.value + "\"";
    if (key_path) {
        xml += " KeyPath=\"yes\"";
    }
    return xml + "/>\n";
}

// A component needs a key path: a group without its row is a table that changed
// shape, and a package built from it would not know whether it is installed.
void write_include(const std::string& path, const std::vector<Row>& rows,
                   const std::function<bool(const Row&)>& is_key_path) {
    std::ofstream out(path, std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<!-- Generated from src/addin/registration_table.h by installer/registry_rows.cpp. -->\n"
           "<Include>\n";
    bool key_path_given = false;
    for (const Row& row : rows) {
        const bool key_path = !key_path_given && is_key_path(row);
        key_path_given = key_path_given || key_path;
        out << row_xml(row, key_path);
    }
    out << "</Include>\n";
    if (!key_path_given) {
        throw std::runtime_error(path + " has no row to be its component's key path");
    }
    if (!out) {
        throw std::runtime_error(path + " could not be written");
    }
}

Row row_of(const registration::Entry& entry) {
    return {entry.key, entry.value_name != nullptr ? entry.value_name : L"",
            entry.data != nullptr ? narrow(entry.data) : "$(var.Server)"};
}

bool is_alias(const registration::Entry& entry) {
    const std::wstring_view key(entry.key);
    const std::wstring_view alias(registration::versioned_prog_id);
    return key == alias || (key.starts_with(alias) && key.substr(alias.size()).starts_with(L"\\"));
}

bool leads_to_class(const Row& row) {
    return std::wstring_view(row.key).ends_with(L"\\CLSID") && row.value_name.empty();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: registry_rows FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    try {
        std::vector<Row> classes;
        std::vector<Row> names;
        std::vector<Row> alias;
        for (const registration::Entry& entry : registration::entries) {
            (registration::in_own_view(entry) ? classes : is_alias(entry) ? alias : names).push_back(row_of(entry));
        }
        for (const registration::InterfaceValue& value : registration::interface_values()) {
            classes.push_back({value.key, value.value_name != nullptr ? value.value_name : L"", narrow(value.data)});
        }
        const auto is_server = [](const Row& row) { return row.value == "$(var.Server)"; };
        write_include(folder + "/classes.wxi", classes, is_server);
        write_include(folder + "/names.wxi", names, leads_to_class);
        write_include(folder + "/alias.wxi", alias, leads_to_class);
        return 0;
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "registry_rows: %s\n", failure.what());
        return 1;
    }
}
