#pragma once
// A Wine prefix's user.reg (HKEY_CURRENT_USER as Wine saves it) read as a places bar store. The file is
// kept as its own bytes, cut into sections (one a key); only the ComDlg32 and PlacesBar sections can
// change, and they are written as Wine writes a key. Every other byte comes back as it was read.
#include "store/places_bar_store.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

// The text of a registry string as Wine writes it between quotes (`quotes` names the two characters
// that take a backslash besides the backslash itself), and back.
std::string wineEscape(std::u16string_view text, std::string_view quotes);
std::u16string wineUnescape(std::string_view text);

// One value line (continuation lines joined) as Wine writes it, with its line end.
std::string wineValueLine(std::u16string_view name, std::uint32_t type, const std::vector<std::uint8_t>& data);

struct WineValue {
    std::u16string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};
// A value line without its line end, continuation lines joined; nothing when Wine would not read it.
std::optional<WineValue> parseWineValueLine(std::string_view line);

class WineRegistryFile final : public PlacesBarStore {
public:
    // Nothing when the bytes are not a Wine registry file (Wine ignores a file whose first line is not
    // its header). `now` is the time new and changed sections carry, in 100 ns ticks since 1601.
    static std::optional<WineRegistryFile> parse(std::string bytes, std::uint64_t now);

    // The file with the edits made so far.
    std::string render() const;
    bool changed() const;
    // False when the two sections appear more than once: such a file is read but never written.
    bool writable() const { return writable_; }

    long openKey(RegKey parent, std::u16string_view subKey, RegKey& out) override;
    long queryValue(RegKey key, std::u16string_view name, std::uint32_t& type, std::uint8_t* data,
                    std::uint32_t& size) override;
    // A file has no access control: `rights` are always granted.
    long createKey(RegKey parent, std::u16string_view subKey, unsigned rights, RegKey& out) override;
    long probeKey(RegKey parent, std::u16string_view subKey, unsigned rights) override;
    long deleteKey(RegKey parent, std::u16string_view subKey) override;
    long setValue(RegKey key, std::u16string_view name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long deleteValue(RegKey key, std::u16string_view name) override;
    long closeKey(RegKey key) override;
    long enumValue(RegKey key, std::uint32_t index, std::u16string& name, std::uint32_t& type,
                   std::vector<std::uint8_t>& data) override;

    // Any key's values as read (the known folders of the prefix), without its subkeys; empty when
    // the file has no such section.
    std::vector<WineValue> valuesOf(std::u16string_view path) const;

private:
    struct Section {
        std::string text;        // from its "[" line up to the next section's, blank lines included
        std::u16string path;     // the key's path, unescaped; empty for the lines before the first key
    };
    struct Entry {
        std::optional<WineValue> value;  // nothing for a line Wine would skip, kept as it is
        std::string line;                // as read, line end included; empty once changed
    };
    // ComDlg32 and PlacesBar.
    struct EditableKey {
        std::u16string path;
        bool exists = false;
        bool dirty = false;
        std::vector<Entry> entries;
        std::string meta;        // other "#" lines (#class, #link), kept
    };

    WineRegistryFile() = default;
    EditableKey* keyOf(RegKey key);
    RegKey handleOf(std::u16string_view path) const;
    bool hasSectionBelow(std::u16string_view path) const;
    bool keyWritten(const EditableKey& key) const;
    std::string renderKey(const EditableKey& key, const Section* old) const;
    std::string headerPath(std::u16string_view path) const;

    std::vector<Section> sections_;
    EditableKey keys_[2];
    bool writable_ = true;
    std::uint64_t now_ = 0;
};

}  // namespace ql
