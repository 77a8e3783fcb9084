// libFuzzer target: whatever a .reg file holds, importing it never crashes, and either stores
// exactly what the reader says the file holds or refuses in one line and writes nothing; what is
// stored writes out as a file that reads back the same.
#include "cli/command_line.h"
#include "cli/commands.h"
#include "tests/support/fake_cli_host.h"
#include "cli/fuzz_checks.h"
#include "cli/reg_file.h"
#include "tests/support/memory_places_bar_store.h"
#include "store/places_bar.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace ql::cli::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Half the inputs start inside the places bar key, so that the search spends its time on values.
    std::vector<std::uint8_t> file;
    if (size > 0 && (data[0] & 1)) {
        const std::u16string key = ql::placesBarKeyName();
        const std::string start = "REGEDIT4\r\n[" + std::string(key.begin(), key.end()) + "]\r\n";
        file.assign(start.begin(), start.end());
        ++data;
        --size;
    }
    file.insert(file.end(), data, data + size);
    const ql::cli::RegFileReading reading = ql::cli::readRegFile(file);
    if (!reading.content) check(!reading.error.message.empty(), "a refused file without a reason");

    ql::MemoryPlacesBarStore store;
    ql::cli::testing::FakeCliHost host;
    ql::savePlacesBar(store, true, {ql::Place::specialFolder(5)});
    host.files[u"C:\\work\\in.reg"] = file;
    store.clearCalls();
    const int status = ql::cli::runCommand({u"/import", u"in.reg"}, store, host);

    const ql::LoadedPlacesBar stored = ql::loadPlacesBar(store);
    if (reading.content) {
        // The reader closes gaps and keeps at most Place0..Place4, as the store does.
        check(status == ql::cli::kExitOk, "a readable file was not imported");
        check(stored.customized == reading.content->customized, "the import stored the other mode");
        if (stored.customized) check(stored.places == reading.content->places, "the import stored other places");
        const auto again = ql::cli::readRegFile(ql::cli::writeRegFile(*reading.content));
        check(again.content && *again.content == *reading.content, "an export does not read back the same");
    } else {
        check(status == ql::cli::kExitRefused, "an unreadable file was not refused");
        check(!wrote(store), "a refused file wrote to the registry");
        check(oneRefusalLine(host.error), "a refusal is not one line saying why");
    }
    return 0;
}
