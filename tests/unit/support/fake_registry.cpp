#include "support/fake_registry.h"

#include "base/text.h"
#include "base/steps.h"

namespace tarvex::testing {
namespace {

std::u16string folded(const std::u16string& text) {
    std::u16string out = text;
    for (char16_t& c : out) {
        c = fold_case(c);
    }
    return out;
}

RegistryValue text_value(const std::u16string& text) {
    RegistryValue value{reg_type::sz, {}};
    for (char16_t c : text) {
        value.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        value.data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    value.data.push_back(0);
    value.data.push_back(0);
    return value;
}

}  // namespace

std::optional<std::u16string> FakeRegistry::normalise(const std::u16string& path) {
    std::u16string p = path;
    if (!p.empty() && p.back() == u'\\') {
        p.pop_back();
    }
    // A leading backslash or an empty name inside the path is invalid, as on Windows.
    if (p.empty() || p.front() == u'\\' || p.find(u"\\\\") != std::u16string::npos) {
        return std::nullopt;
    }
    return folded(p);
}

void FakeRegistry::count(const std::string& call) {
    ++calls[call];
    auto fault = faults_.find(call);
    if (fault != faults_.end() && --fault->second.first == 0) {
        const int number = fault->second.second;
        faults_.erase(fault);
        throw TarvexError{number, u"Injected failure"};
    }
}

void FakeRegistry::throw_on(const std::string& call, int nth, int number) {
    faults_[call] = {nth, number};
}

std::optional<Registry::Key> FakeRegistry::create_key(RegistryRoot root, const std::u16string& path,
                                                      std::uint32_t access) {
    count("create");
    last_access = access;
    const auto p = normalise(path);
    if (!p || read_only) {
        return std::nullopt;
    }
    // Every key along the path comes into being.
    for (std::size_t at = p->find(u'\\'); at != std::u16string::npos; at = p->find(u'\\', at + 1)) {
        keys_[{root, p->substr(0, at)}];
    }
    keys_[{root, *p}];
    handles_[next_handle_] = {root, *p};
    return next_handle_++;
}

std::optional<Registry::Key> FakeRegistry::open_key(RegistryRoot root, const std::u16string& path,
                                                    std::uint32_t access) {
    count("open");
    last_access = access;
    const auto p = normalise(path);
    if (!p || keys_.find({root, *p}) == keys_.end()) {
        return std::nullopt;
    }
    handles_[next_handle_] = {root, *p};
    return next_handle_++;
}

std::optional<RegistryValue> FakeRegistry::query_value(Key key, const std::u16string& name) {
    count("query");
    const auto handle = handles_.find(key);
    if (handle == handles_.end()) {
        return std::nullopt;
    }
    const Node& node = keys_[handle->second];
    const auto found = node.values.find(folded(name));
    if (found == node.values.end()) {
        return std::nullopt;
    }
    return found->second.second;
}

bool FakeRegistry::set_text(Key key, const std::u16string& name, const std::u16string& text) {
    count("set");
    const auto handle = handles_.find(key);
    if (handle == handles_.end() || read_only) {
        return false;
    }
    keys_[handle->second].values[folded(name)] = {name, text_value(text)};
    return true;
}

void FakeRegistry::close(Key key) {
    count("close");
    handles_.erase(key);
}

void FakeRegistry::put(RegistryRoot root, const std::u16string& path, const std::u16string& name, RegistryValue value) {
    const auto p = normalise(path);
    keys_[{root, *p}].values[folded(name)] = {name, std::move(value)};
}

void FakeRegistry::put_text(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                            const std::u16string& text) {
    put(root, path, name, text_value(text));
}

std::optional<RegistryValue> FakeRegistry::get(RegistryRoot root, const std::u16string& path,
                                               const std::u16string& name) const {
    const auto p = normalise(path);
    const auto key = keys_.find({root, p.value_or(u"")});
    if (key == keys_.end()) {
        return std::nullopt;
    }
    const auto found = key->second.values.find(folded(name));
    if (found == key->second.values.end()) {
        return std::nullopt;
    }
    return found->second.second;
}

std::optional<std::u16string> FakeRegistry::get_text(RegistryRoot root, const std::u16string& path,
                                                     const std::u16string& name) const {
    const auto value = get(root, path, name);
    if (!value) {
        return std::nullopt;
    }
    return registry_value_text(*value);
}

bool FakeRegistry::has_key(RegistryRoot root, const std::u16string& path) const {
    const auto p = normalise(path);
    return p && keys_.count({root, *p}) > 0;
}

std::size_t FakeRegistry::value_count(RegistryRoot root, const std::u16string& path) const {
    const auto p = normalise(path);
    const auto key = keys_.find({root, p.value_or(u"")});
    return key == keys_.end() ? 0 : key->second.values.size();
}

}  // namespace tarvex::testing
