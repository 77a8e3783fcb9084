#pragma once
// What the command line's fuzzers hold every run to.
#include "tests/support/memory_places_bar_store.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace ql::cli::fuzzing {

[[noreturn]] inline void fault(const char* what) {
    std::fprintf(stderr, "command line fuzz: %s\n", what);
    std::abort();
}

inline void check(bool holds, const char* what) {
    if (!holds) fault(what);
}

inline bool wrote(const MemoryPlacesBarStore& store) {
    for (const auto& call : store.calls()) {
        using Op = MemoryPlacesBarStore::Op;
        if (call.op == Op::CreateKey || call.op == Op::SetValue || call.op == Op::DeleteKey || call.op == Op::DeleteValue) {
            return true;
        }
    }
    return false;
}

// A refusal is one line that starts "quorlane: " and ends the error output.
inline bool oneRefusalLine(const std::u16string& error) {
    return error.starts_with(u"quorlane: ") && error.find(u"\r\n") == error.size() - 2;
}

}  // namespace ql::cli::fuzzing
