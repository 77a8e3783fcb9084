#include "common/win_texts.h"

#include <atomic>
#include <optional>
#include <vector>

namespace ql::win {
namespace {

// 0 until the first text is asked for.
std::atomic<LANGID> chosenTable{0};
TextChange textChange;

BOOL CALLBACK addLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    reinterpret_cast<std::vector<LanguageId>*>(param)->push_back(language);
    return TRUE;
}

// The languages of the program's tables, as the block of the program's title holds them.
std::vector<LanguageId> tableLanguages() {
    std::vector<LanguageId> languages;
    ::EnumResourceLanguagesW(::GetModuleHandleW(nullptr), reinterpret_cast<LPCWSTR>(RT_STRING),
                             MAKEINTRESOURCEW(IDS_PROGRAM_TITLE / 16 + 1), addLanguage,
                             reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

// The string `id` of the table in `language`; none where that table lacks it.
std::optional<std::wstring> findText(UINT id, LANGID language) {
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const HRSRC found = ::FindResourceExW(module, reinterpret_cast<LPCWSTR>(RT_STRING), MAKEINTRESOURCEW(id / 16 + 1), language);
    if (!found) return std::nullopt;
    const HGLOBAL loaded = ::LoadResource(module, found);
    const auto* entry = static_cast<const WCHAR*>(loaded ? ::LockResource(loaded) : nullptr);
    const WCHAR* const end = entry ? entry + ::SizeofResource(module, found) / sizeof(WCHAR) : nullptr;
    if (!entry) return std::nullopt;
    // A block holds 16 strings, each its length and its characters.
    for (UINT i = 0; i < id % 16 && entry < end; ++i) entry += 1 + *entry;
    if (entry >= end || *entry == 0 || entry + 1 + *entry > end) return std::nullopt;
    return std::wstring(entry + 1, *entry);
}

}  // namespace

LANGID textLanguage() {
    LANGID table = chosenTable.load();
    if (table == 0) {
        const std::vector<LanguageId> tables = tableLanguages();
        table = chooseTextTable(::GetThreadUILanguage(), tables);
        chosenTable.store(table);
    }
    return table;
}

void useTextLanguage(LANGID language) {
    const std::vector<LanguageId> tables = tableLanguages();
    chosenTable.store(chooseTextTable(language, tables));
    ::SetThreadUILanguage(language);
}

void useTextChange(TextChange change) { textChange = std::move(change); }

std::wstring loadText(UINT id) {
    std::wstring text;
    if (auto found = findText(id, textLanguage())) {
        text = std::move(*found);
    } else if (auto english = findText(id, kEnglishTable)) {
        text = std::move(*english);
    }
    return textChange ? textChange(id, std::move(text)) : text;
}

std::wstring loadText(UINT id, std::initializer_list<std::u16string_view> args) {
    const std::wstring pattern = loadText(id);
    const std::u16string filled = formatText(std::u16string_view(reinterpret_cast<const char16_t*>(pattern.data()), pattern.size()), args);
    return std::wstring(filled.begin(), filled.end());
}

}  // namespace ql::win

namespace ql {

std::u16string text(unsigned id) {
    const std::wstring loaded = win::loadText(id);
    return std::u16string(loaded.begin(), loaded.end());
}

}  // namespace ql
