#pragma once
// A registry in memory behind the places bar store interface, for the unit tests and the fuzzer:
// a tree of keys below HKEY_CURRENT_USER holding typed byte values, names compared regardless of
// ASCII case as the registry compares them, counted handles, a record of every call, and any call
// of any operation made to fail.
#include "store/places_bar_store.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

class MemoryPlacesBarStore final : public PlacesBarStore {
public:
    enum class Op { OpenKey, QueryValue, CreateKey, DeleteKey, SetValue, CloseKey, EnumValue, DeleteValue };
    static constexpr std::array kAllOps = {Op::OpenKey,  Op::QueryValue, Op::CreateKey, Op::DeleteKey,
                                           Op::SetValue, Op::CloseKey,   Op::EnumValue, Op::DeleteValue};

    struct Value {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        bool operator==(const Value&) const = default;
    };

    struct Call {
        Op op;
        std::size_t ordinal;  // 1 for the first call of this operation, 2 for the second, ...
        RegKey key;           // the key the call worked on, or the parent of its sub-key
        std::u16string name;  // the sub-key or value name; enumValue: the name it gave
        RegKey opened;        // the key handed out by a successful open or create, else 0
        // queryValue: the buffer's size, none for a query of type and size only; setValue: the size written.
        std::optional<std::uint32_t> bytes;
        long result;
    };

    MemoryPlacesBarStore();
    ~MemoryPlacesBarStore() override;
    MemoryPlacesBarStore(const MemoryPlacesBarStore&) = delete;
    MemoryPlacesBarStore& operator=(const MemoryPlacesBarStore&) = delete;

    long openKey(RegKey parent, std::u16string_view subKey, RegKey& out) override;
    long queryValue(RegKey key, std::u16string_view name, std::uint32_t& type, std::uint8_t* data,
                    std::uint32_t& size) override;
    // Like the registry, refuses rights a locked key does not grant, and keys below it.
    long createKey(RegKey parent, std::u16string_view subKey, unsigned rights, RegKey& out) override;
    long probeKey(RegKey parent, std::u16string_view subKey, unsigned rights) override;
    // Like the registry, refuses (access denied) to delete a key that still has sub-keys.
    long deleteKey(RegKey parent, std::u16string_view subKey) override;
    // Refused on a key not opened with kRightsSetValue.
    long setValue(RegKey key, std::u16string_view name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long deleteValue(RegKey key, std::u16string_view name) override;
    long closeKey(RegKey key) override;
    // Values in the order first set.
    long enumValue(RegKey key, std::uint32_t index, std::u16string& name, std::uint32_t& type,
                   std::vector<std::uint8_t>& data) override;

    // Direct access to the content by paths below HKEY_CURRENT_USER ("" is the root itself).
    // Neither recorded nor subject to injected failures.
    void putKey(std::u16string_view path);
    // The key as Windows leaves Policies to a user: readable, and nothing more.
    void lockKey(std::u16string_view path);
    void putValue(std::u16string_view keyPath, std::u16string_view name, std::uint32_t type,
                  std::vector<std::uint8_t> data);
    bool hasKey(std::u16string_view path) const;
    std::optional<Value> value(std::u16string_view keyPath, std::u16string_view name) const;
    std::vector<std::u16string> valueNames(std::u16string_view keyPath) const;  // in the order first set

    // The call fails with `error` and changes nothing, out-parameters included (a failed open
    // or create still leaves its key 0). `ordinal` counts the calls of `op` from 1.
    void failCall(Op op, std::size_t ordinal, long error);
    void failEveryCall(Op op, long error);
    void clearFailures();

    const std::vector<Call>& calls() const { return calls_; }
    // Forgets the record and restarts the per-operation ordinals.
    void clearCalls();

    std::size_t opens() const { return opens_; }    // keys handed out by open and create
    std::size_t closes() const { return closes_; }  // keys closed successfully
    // Keys handed out that were never passed to closeKey, whatever that call returned.
    std::vector<RegKey> unclosedKeys() const;

private:
    struct Node;
    struct Failure {
        Op op;
        std::size_t ordinal;  // 0: every call
        long error;
    };

    using NodePtr = std::shared_ptr<Node>;

    NodePtr find(std::u16string_view path) const;
    static NodePtr walk(const NodePtr& from, std::u16string_view subKey, bool create, long& error);
    NodePtr nodeOf(RegKey key, long& error) const;
    RegKey handOut(NodePtr node, unsigned rights = 0);
    bool canSetValues(RegKey key) const {
        return key == kCurrentUserRoot || (rights_.contains(key) && (rights_.at(key) & kRightsSetValue));
    }
    // Counts and records the call; `act` carries it out unless an injected failure answers it.
    template <typename Act>
    long perform(Call call, Act act);

    NodePtr root_;
    std::map<RegKey, NodePtr> handles_;      // a deleted key stays addressable through its handles
    std::map<RegKey, unsigned> rights_;      // what each open key may do
    std::map<RegKey, bool> closeAttempted_;  // every key ever handed out
    RegKey nextHandle_ = 0x1000;
    std::vector<Failure> failures_;
    std::array<std::size_t, kAllOps.size()> ordinals_{};
    std::vector<Call> calls_;
    std::size_t opens_ = 0;
    std::size_t closes_ = 0;
};

}  // namespace ql
