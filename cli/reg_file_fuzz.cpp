// libFuzzer target: whatever a .reg file holds, importing it never crashes, and either stores
// exactly what the reader says the file holds or refuses in one line and writes nothing; what is
// stored writes out as a file that reads back the same.
#include "cli/command_line.h"
#include "cli/commands.h"
#include "tests/support/fake_cli_host.h"
#include "cli/fuzz_checks.h"
#include "store/reg_file.h"
#include "tests/support/memory_places_bar_store.h"
#include "store/places_bar.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace ql::cli::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Half the inputs start inside the places bar key, and a quarter inside ComDlg32, so that the
    // search spends its time on values.
    std::vector<std::uint8_t> file;
    if (size > 0 && (data[0] & 3)) {
        const std::u16string key = (data[0] & 3) == 2 ? ql::comDlg32KeyName() : ql::placesBarKeyName();
        const std::string start = "REGEDIT4\r\n[" + std::string(key.begin(), key.end()) + "]\r\n";
        file.assign(start.begin(), start.end());
        ++data;
        --size;
    }
    file.insert(file.end(), data, data + size);
    const ql::RegFileReading reading = ql::readRegFile(file);
    if (!reading.content) check(!reading.error.message.empty(), "a refused file without a reason");

    ql::MemoryPlacesBarStore store;
    ql::cli::testing::FakeCliHost host;
    const ql::DialogsContent before{ql::PlacesBarContent{true, {ql::Place::specialFolder(5)}},
                                    {std::nullopt, ql::SettingValue::hidden(), std::nullopt}};
    ql::saveDialogs(store, before);
    host.files[u"C:\\work\\in.reg"] = file;
    store.clearCalls();
    const int status = ql::cli::runCommand({u"/import", u"in.reg"}, store, host);

    const ql::LoadedPlacesBar stored = ql::loadPlacesBar(store);
    const ql::DialogSettings settings = ql::loadDialogSettings(store);
    if (reading.content) {
        // The reader closes gaps and keeps at most Place0..Place4, as the store does; what the file
        // does not say stays as it was.
        check(status == ql::cli::kExitOk, "a readable file was not imported");
        const ql::PlacesBarContent places = reading.content->placesBar.value_or(*before.placesBar);
        check(stored.customized == places.customized, "the import stored the other mode");
        if (stored.customized) check(stored.places == places.places, "the import stored other places");
        for (std::size_t i = 0; i < ql::kDialogSettingCount; ++i) {
            const auto& given = reading.content->settings[i];
            check(settings.values[i] == (given ? *given : before.settings[i].value_or(ql::SettingValue::shown())),
                  "the import stored another setting");
        }
        const auto again = ql::readRegFile(ql::writeRegFile(places, reading.content->settings));
        check(again.content && again.content->placesBar == places && again.content->settings == reading.content->settings,
              "an export does not read back the same");
    } else {
        check(status == ql::cli::kExitRefused, "an unreadable file was not refused");
        check(!wrote(store), "a refused file wrote to the registry");
        check(oneRefusalLine(host.error), "a refusal is not one line saying why");
    }
    return 0;
}
