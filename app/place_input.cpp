#include "app/place_input.h"

#include "app/editor_rules.h"
#include "common/texts.h"

#include <algorithm>

namespace ql::editor {
namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trimBlanks(std::u16string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// File managers and shells quote paths with blanks in "..." or '...'.
std::u16string_view unquote(std::u16string_view s) {
    s = trimBlanks(s);
    while (s.size() >= 2 && (s.front() == u'"' || s.front() == u'\'') && s.back() == s.front()) {
        s = trimBlanks(s.substr(1, s.size() - 2));
    }
    return s;
}

}  // namespace

std::vector<std::u16string> pathsFromText(std::u16string_view text) {
    std::vector<std::u16string> paths;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of(u"\r\n");
        const std::u16string_view path = unquote(text.substr(0, end));
        if (!path.empty()) paths.emplace_back(path);
        if (end == std::u16string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return paths;
}

Place placeFromPath(std::u16string path) {
    return holdsVariable(path) ? Place::expandablePath(std::move(path)) : Place::folderPath(std::move(path));
}

AddPlan planAdd(bool customized, int entryCount, const std::vector<Offered>& offered) {
    AddPlan plan;
    if (!customized) return plan;
    const auto room = static_cast<std::size_t>(std::max(0, kMaxEntries - entryCount));
    bool anyFolder = false;
    for (const Offered& item : offered) {
        if (!item.isFolder) continue;
        anyFolder = true;
        if (plan.places.size() < room) plan.places.push_back(item.place);
    }
    if (!anyFolder) {
        plan.message = text(IDS_ONLY_FOLDERS);
    } else if (plan.places.empty()) {
        plan.message = text(IDS_LIST_FULL);
    }
    return plan;
}

bool takesDrop(bool customized, bool holdsFiles) { return customized && holdsFiles; }

}  // namespace ql::editor
