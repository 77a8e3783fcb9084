#pragma once
// The special folder names a command line may give instead of a number.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace ql::cli {

struct SpecialFolderName {
    std::u16string_view name;
    std::int32_t csidl;
};

// In number order, as the usage lists them.
std::span<const SpecialFolderName> specialFolderNames();

// The number of a name in the table, compared regardless of ASCII case.
std::optional<std::int32_t> specialFolderByName(std::u16string_view name);

}  // namespace ql::cli
