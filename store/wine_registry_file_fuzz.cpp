// libFuzzer target: any file as a prefix's user.reg. Reading never crashes; a file that is read comes
// back byte for byte; after a save of any places bar and settings, every section but ComDlg32's and
// PlacesBar's is as it was, in the same order, and the result reads back with what was saved.
#include "common/text_case.h"
#include "store/places_bar.h"
#include "store/wine_registry_file.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "wine registry fuzz: %s\n", what);
    std::abort();
}

// The sections other than the two, each without the blank lines after it: cut at every line that
// starts with "[", as Wine reads them, independently of the codec.
std::vector<std::string> otherSections(const std::string& file) {
    std::vector<std::string> sections{""};
    std::size_t at = 0;
    while (at < file.size()) {
        std::size_t end = file.find('\n', at);
        end = end == std::string::npos ? file.size() : end + 1;
        const std::string line = file.substr(at, end - at);
        const std::size_t text = line.find_first_not_of(" \t");
        if (text != std::string::npos && line[text] == '[' && line.find(']') != std::string::npos) sections.emplace_back();
        sections.back() += line;
        at = end;
    }
    std::vector<std::string> others;
    for (std::string& section : sections) {
        const std::u16string name = ql::wineUnescape(section.substr(section.find('[') + 1, section.find(']') - section.find('[') - 1));
        if (section.find('[') != std::string::npos && section.find('[') < section.find('\n') &&
            (ql::equalsIgnoringCase(name, ql::comDlg32Path()) || ql::equalsIgnoringCase(name, ql::placesBarPath()))) {
            continue;
        }
        while (section.ends_with('\n') || section.ends_with('\r')) section.pop_back();
        others.push_back(std::move(section));
    }
    return others;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool header = input.ConsumeBool();
    const std::string text = (header ? "WINE REGISTRY Version 2\n" : "") + input.ConsumeRandomLengthString(4096);
    auto file = ql::WineRegistryFile::parse(text, 0x1dd87f5544a7820ull);
    if (!file) return 0;
    check(file->render() == text, "a file read comes back changed");
    ql::loadPlacesBar(*file);

    ql::DialogsContent content;
    if (input.ConsumeBool()) {
        ql::PlacesBarContent bar{input.ConsumeBool(), {}};
        for (int n = input.ConsumeIntegralInRange(0, 5); n > 0; --n) {
            if (input.ConsumeBool()) {
                bar.places.push_back(ql::Place::specialFolder(input.ConsumeIntegral<std::int32_t>()));
            } else {
                std::string path = input.ConsumeRandomLengthString(40);
                std::erase(path, '\0');  // a path ends at its first NUL, in the registry as anywhere
                bar.places.push_back(ql::Place::folderPath(std::u16string(path.begin(), path.end()) + u"\u4e2d"));
            }
        }
        content.placesBar = bar;
    }
    for (auto& setting : content.settings) {
        if (input.ConsumeBool()) setting = input.ConsumeBool() ? ql::SettingValue::hidden() : ql::SettingValue::shown();
    }
    if (!file->writable() || !ql::saveDialogs(*file, content).ok()) return 0;
    const std::string out = file->render();
    check(otherSections(out) == otherSections(text), "a section other than the two changed");
    auto again = ql::WineRegistryFile::parse(out, 0);
    check(again.has_value(), "the file written is no registry file");
    if (content.placesBar) {
        const ql::LoadedPlacesBar loaded = ql::loadPlacesBar(*again);
        check(loaded.customized == content.placesBar->customized, "the places bar's key is not as saved");
        if (loaded.customized) check(loaded.places == content.placesBar->places, "the places read back are not the ones saved");
    }
    return 0;
}
