#include "picker/picker_texts.h"

#include "common/texts.h"

#include <algorithm>

namespace ql::picker {

std::vector<bool> sharedNames(const std::vector<std::u16string>& names) {
    std::vector<bool> shared(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) shared[i] = std::ranges::count(names, names[i]) > 1;
    return shared;
}

std::vector<std::u16string> entryTexts(const std::vector<NamedFolder>& folders) {
    std::vector<std::u16string> names;
    for (const NamedFolder& folder : folders) names.push_back(folder.name);
    const std::vector<bool> shared = sharedNames(names);
    std::vector<std::u16string> texts;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const NamedFolder& folder = folders[i];
        if (!shared[i]) {
            texts.push_back(folder.name);
            continue;
        }
        const bool pathTells = !folder.path.empty() && std::ranges::count_if(folders, [&](const NamedFolder& other) {
                                                           return other.name == folder.name && other.path == folder.path;
                                                       }) == 1;
        const std::string number = std::to_string(folder.csidl);
        texts.push_back(text(IDS_ENTRY_PATH, {folder.name, pathTells ? folder.path
                                                                     : text(IDS_ENTRY_SPECIAL_FOLDER,
                                                                            {std::u16string(number.begin(), number.end())})}));
    }
    return texts;
}

}  // namespace ql::picker
