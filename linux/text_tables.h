#pragma once
// The program's string tables, one a language, made from app/resources/lang/*.rc at build time.
#include "common/text_languages.h"

#include <span>
#include <string_view>

namespace ql::native {

struct TextEntry {
    unsigned id;
    const char16_t* text;
};

struct TextTable {
    LanguageId language;
    std::span<const TextEntry> entries;  // by id
};

extern const std::span<const TextTable> kTextTables;

// The language a Linux locale name asks for ("de_AT.UTF-8"); English for "C", "POSIX" and others.
LanguageId localeLanguage(std::string_view locale);

}  // namespace ql::native
