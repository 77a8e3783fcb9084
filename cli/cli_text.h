#pragma once
// Text helpers of the command line: commands, names and registry paths compare regardless of
// ASCII case, and numbers are written in decimal.
#include "common/text_case.h"

#include <string>

namespace ql::cli {

using ql::equalsIgnoringCase;

inline std::u16string decimal(long long value) {
    const std::string digits = std::to_string(value);
    return {digits.begin(), digits.end()};
}

}  // namespace ql::cli
