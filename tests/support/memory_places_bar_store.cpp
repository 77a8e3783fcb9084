#include "tests/support/memory_places_bar_store.h"

#include <algorithm>
#include <utility>

namespace ql {

struct MemoryPlacesBarStore::Node {
    std::u16string name;
    std::vector<std::pair<std::u16string, Value>> values;
    std::vector<std::shared_ptr<Node>> children;
    bool deleted = false;  // still reachable through an open handle, gone from the tree
    bool locked = false;   // grants no right beyond reading
};

namespace {

char16_t foldCase(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool sameName(std::u16string_view a, std::u16string_view b) {
    return std::ranges::equal(a, b, [](char16_t x, char16_t y) { return foldCase(x) == foldCase(y); });
}

// The components of a key path; empty ones (doubled backslashes) are passed over as the registry does.
std::vector<std::u16string_view> components(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    while (!path.empty()) {
        const auto cut = path.find(u'\\');
        const auto part = path.substr(0, cut);
        if (!part.empty()) parts.push_back(part);
        if (cut == std::u16string_view::npos) break;
        path.remove_prefix(cut + 1);
    }
    return parts;
}

template <typename Items, typename Name>
auto findNamed(Items& items, std::u16string_view name, Name nameOf) {
    return std::ranges::find_if(items, [&](const auto& item) { return sameName(nameOf(item), name); });
}

auto childName = [](const auto& child) -> std::u16string_view { return child->name; };
auto valueName = [](const auto& value) -> std::u16string_view { return value.first; };

template <typename Node, typename Value>
void assign(Node& node, std::u16string_view name, Value value) {
    const auto existing = findNamed(node.values, name, valueName);
    if (existing != node.values.end()) existing->second = std::move(value);
    else node.values.emplace_back(std::u16string(name), std::move(value));
}

}  // namespace

MemoryPlacesBarStore::MemoryPlacesBarStore() : root_(std::make_shared<Node>()) {}
MemoryPlacesBarStore::~MemoryPlacesBarStore() = default;

MemoryPlacesBarStore::NodePtr MemoryPlacesBarStore::walk(const NodePtr& from, std::u16string_view subKey,
                                                         bool create, long& error) {
    if (subKey.starts_with(u'\\')) {
        error = kRegBadPathname;
        return nullptr;
    }
    NodePtr node = from;
    for (const auto part : components(subKey)) {
        auto child = findNamed(node->children, part, childName);
        if (child == node->children.end()) {
            if (!create || node->locked) {
                error = create ? kRegAccessDenied : kRegFileNotFound;
                return nullptr;
            }
            node->children.push_back(std::make_shared<Node>(Node{std::u16string(part), {}, {}, false, false}));
            child = std::prev(node->children.end());
        }
        node = *child;
    }
    error = kRegOk;
    return node;
}

MemoryPlacesBarStore::NodePtr MemoryPlacesBarStore::find(std::u16string_view path) const {
    long error = kRegOk;
    return walk(root_, path, false, error);
}

MemoryPlacesBarStore::NodePtr MemoryPlacesBarStore::nodeOf(RegKey key, long& error) const {
    error = kRegOk;
    if (key == kCurrentUserRoot) return root_;
    const auto handle = handles_.find(key);
    if (handle == handles_.end()) {
        error = kRegInvalidHandle;
        return nullptr;
    }
    if (handle->second->deleted) {
        error = kRegKeyDeleted;
        return nullptr;
    }
    return handle->second;
}

RegKey MemoryPlacesBarStore::handOut(NodePtr node, unsigned rights) {
    // Handles are never reused, so that a stale one is always recognised as invalid.
    const RegKey key = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(key, std::move(node));
    rights_.emplace(key, rights);
    closeAttempted_.emplace(key, false);
    ++opens_;
    return key;
}

template <typename Act>
long MemoryPlacesBarStore::perform(Call call, Act act) {
    call.ordinal = ++ordinals_[static_cast<std::size_t>(call.op)];
    const auto failure = std::ranges::find_if(failures_, [&](const Failure& f) {
        return f.op == call.op && (f.ordinal == 0 || f.ordinal == call.ordinal);
    });
    call.result = failure != failures_.end() ? failure->error : act(call);
    calls_.push_back(std::move(call));
    return calls_.back().result;
}

long MemoryPlacesBarStore::openKey(RegKey parent, std::u16string_view subKey, RegKey& out) {
    out = 0;
    return perform(Call{Op::OpenKey, 0, parent, std::u16string(subKey), 0, {}, kRegOk}, [&](Call& call) {
        long error = kRegOk;
        const NodePtr from = nodeOf(parent, error);
        NodePtr node = from ? walk(from, subKey, false, error) : nullptr;
        if (node) call.opened = out = handOut(std::move(node));
        return error;
    });
}

long MemoryPlacesBarStore::queryValue(RegKey key, std::u16string_view name, std::uint32_t& type,
                                      std::uint8_t* data, std::uint32_t& size) {
    const auto bytes = data ? std::optional(size) : std::nullopt;
    return perform(Call{Op::QueryValue, 0, key, std::u16string(name), 0, bytes, kRegOk}, [&](Call&) {
        long error = kRegOk;
        const NodePtr node = nodeOf(key, error);
        if (!node) return error;
        const auto found = findNamed(node->values, name, valueName);
        if (found == node->values.end()) return long{kRegFileNotFound};

        const Value& stored = found->second;
        const auto needed = static_cast<std::uint32_t>(stored.data.size());
        type = stored.type;
        if (data && size < needed) error = kRegMoreData;
        else if (data) std::ranges::copy(stored.data, data);
        size = needed;
        return error;
    });
}

long MemoryPlacesBarStore::createKey(RegKey parent, std::u16string_view subKey, unsigned rights, RegKey& out) {
    out = 0;
    return perform(Call{Op::CreateKey, 0, parent, std::u16string(subKey), 0, {}, kRegOk}, [&](Call& call) {
        long error = kRegOk;
        const NodePtr from = nodeOf(parent, error);
        NodePtr node = from ? walk(from, subKey, true, error) : nullptr;
        if (node && node->locked && rights != 0) return long{kRegAccessDenied};
        if (node) call.opened = out = handOut(std::move(node), rights);
        return error;
    });
}

long MemoryPlacesBarStore::probeKey(RegKey parent, std::u16string_view subKey, unsigned rights) {
    long error = kRegOk;
    const NodePtr from = nodeOf(parent, error);
    const NodePtr node = from ? walk(from, subKey, false, error) : nullptr;
    if (node && node->locked && rights != 0) return kRegAccessDenied;
    return error;
}

long MemoryPlacesBarStore::deleteKey(RegKey parent, std::u16string_view subKey) {
    return perform(Call{Op::DeleteKey, 0, parent, std::u16string(subKey), 0, {}, kRegOk}, [&](Call&) {
        long error = kRegOk;
        const NodePtr from = nodeOf(parent, error);
        if (!from) return error;
        const auto parts = components(subKey);
        if (parts.empty()) return long{kRegInvalidParameter};

        const auto container = subKey.substr(0, static_cast<std::size_t>(parts.back().data() - subKey.data()));
        const NodePtr holder = walk(from, container, false, error);
        if (!holder) return error;
        const auto child = findNamed(holder->children, parts.back(), childName);
        if (child == holder->children.end()) return long{kRegFileNotFound};
        if (!(*child)->children.empty() || (*child)->locked) return long{kRegAccessDenied};
        (*child)->deleted = true;
        holder->children.erase(child);
        return long{kRegOk};
    });
}

long MemoryPlacesBarStore::setValue(RegKey key, std::u16string_view name, std::uint32_t type,
                                    const std::uint8_t* data, std::uint32_t size) {
    return perform(Call{Op::SetValue, 0, key, std::u16string(name), 0, size, kRegOk}, [&](Call&) {
        long error = kRegOk;
        const NodePtr node = nodeOf(key, error);
        if (!node) return error;
        if (!canSetValues(key)) return long{kRegAccessDenied};
        if (!data && size != 0) return long{kRegInvalidParameter};
        assign(*node, name, Value{type, data ? std::vector<std::uint8_t>(data, data + size) : std::vector<std::uint8_t>{}});
        return long{kRegOk};
    });
}

long MemoryPlacesBarStore::deleteValue(RegKey key, std::u16string_view name) {
    return perform(Call{Op::DeleteValue, 0, key, std::u16string(name), 0, {}, kRegOk}, [&](Call&) {
        long error = kRegOk;
        const NodePtr node = nodeOf(key, error);
        if (!node) return error;
        if (!canSetValues(key)) return long{kRegAccessDenied};
        const auto found = findNamed(node->values, name, valueName);
        if (found == node->values.end()) return long{kRegFileNotFound};
        node->values.erase(found);
        return long{kRegOk};
    });
}

long MemoryPlacesBarStore::closeKey(RegKey key) {
    if (const auto attempted = closeAttempted_.find(key); attempted != closeAttempted_.end()) attempted->second = true;
    return perform(Call{Op::CloseKey, 0, key, {}, 0, {}, kRegOk}, [&](Call&) {
        if (key == kCurrentUserRoot) return long{kRegOk};
        if (handles_.erase(key) == 0) return long{kRegInvalidHandle};
        rights_.erase(key);
        ++closes_;
        return long{kRegOk};
    });
}

long MemoryPlacesBarStore::enumValue(RegKey key, std::uint32_t index, std::u16string& name, std::uint32_t& type,
                                     std::vector<std::uint8_t>& data) {
    return perform(Call{Op::EnumValue, 0, key, {}, 0, {}, kRegOk}, [&](Call& call) {
        long error = kRegOk;
        const NodePtr node = nodeOf(key, error);
        if (!node) return error;
        if (index >= node->values.size()) return long{kRegNoMoreItems};
        const auto& [storedName, stored] = node->values[index];
        call.name = name = storedName;
        type = stored.type;
        data = stored.data;
        return long{kRegOk};
    });
}

void MemoryPlacesBarStore::putKey(std::u16string_view path) {
    long error = kRegOk;
    walk(root_, path, true, error);
}

void MemoryPlacesBarStore::putValue(std::u16string_view keyPath, std::u16string_view name, std::uint32_t type,
                                    std::vector<std::uint8_t> data) {
    long error = kRegOk;
    const NodePtr node = walk(root_, keyPath, true, error);
    if (node) assign(*node, name, Value{type, std::move(data)});
}

void MemoryPlacesBarStore::lockKey(std::u16string_view path) {
    long error = kRegOk;
    if (const NodePtr node = walk(root_, path, true, error)) node->locked = true;
}

bool MemoryPlacesBarStore::hasKey(std::u16string_view path) const { return find(path) != nullptr; }

std::optional<MemoryPlacesBarStore::Value> MemoryPlacesBarStore::value(std::u16string_view keyPath,
                                                                       std::u16string_view name) const {
    const NodePtr node = find(keyPath);
    if (!node) return std::nullopt;
    const auto found = findNamed(node->values, name, valueName);
    if (found == node->values.end()) return std::nullopt;
    return found->second;
}

std::vector<std::u16string> MemoryPlacesBarStore::valueNames(std::u16string_view keyPath) const {
    std::vector<std::u16string> names;
    if (const NodePtr node = find(keyPath))
        for (const auto& [name, _] : node->values) names.push_back(name);
    return names;
}

void MemoryPlacesBarStore::failCall(Op op, std::size_t ordinal, long error) {
    failures_.push_back(Failure{op, ordinal, error});
}

void MemoryPlacesBarStore::failEveryCall(Op op, long error) { failures_.push_back(Failure{op, 0, error}); }

void MemoryPlacesBarStore::clearFailures() { failures_.clear(); }

void MemoryPlacesBarStore::clearCalls() {
    calls_.clear();
    ordinals_.fill(0);
}

std::vector<RegKey> MemoryPlacesBarStore::unclosedKeys() const {
    std::vector<RegKey> keys;
    for (const auto& [key, attempted] : closeAttempted_)
        if (!attempted) keys.push_back(key);
    return keys;
}

}  // namespace ql
