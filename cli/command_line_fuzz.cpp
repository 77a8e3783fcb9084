// libFuzzer target: whatever the command line, running it never crashes, ends 0, 1 or 2, writes
// nothing unless it ends 0, says why in one line when it ends 1, and leaves at most five places.
#include "cli/command_line.h"
#include "cli/commands.h"
#include "tests/support/fake_cli_host.h"
#include "cli/fuzz_checks.h"
#include "tests/support/memory_places_bar_store.h"
#include "store/places_bar.h"
#include "store/places_codec.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>

namespace {

using namespace ql::cli::fuzzing;

std::u16string argument(FuzzedDataProvider& input) {
    static constexpr std::array<std::u16string_view, 16> kWords = {
        u"/list", u"-SET", u"/add", u"/remove", u"/defaults", u"/export", u"/import", u"/?",
        u"Desktop", u"downloads", u"5", u"C:\\windows", u"/tmp", u"%SystemRoot%", u"here", u"Place2"};
    if (input.ConsumeBool()) return std::u16string(input.PickValueInArray(kWords));
    std::u16string word;
    for (std::size_t n = input.ConsumeIntegralInRange<std::size_t>(0, 24); n > 0; --n) word += input.ConsumeIntegral<char16_t>();
    return word;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    ql::MemoryPlacesBarStore store;
    ql::cli::testing::FakeCliHost host;
    if (input.ConsumeBool()) {
        std::vector<ql::Place> places;
        for (int n = input.ConsumeIntegralInRange(0, 5); n > 0; --n) places.push_back(ql::Place::specialFolder(5));
        ql::savePlacesBar(store, true, places);
    }
    host.files[u"C:\\work\\in.reg"] = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 300));

    std::vector<std::u16string> args;
    for (int n = input.ConsumeIntegralInRange(1, 8); n > 0; --n) args.push_back(argument(input));
    store.clearCalls();
    const int status = ql::cli::runCommand(args, store, host);

    check(status == ql::cli::kExitOk || status == ql::cli::kExitRefused || status == ql::cli::kExitUsage,
          "an exit status other than 0, 1 and 2");
    if (status != ql::cli::kExitOk) check(!wrote(store), "a refused command wrote to the registry");
    if (status == ql::cli::kExitRefused) check(oneRefusalLine(host.error), "a refusal is not one line saying why");
    if (status == ql::cli::kExitUsage) check(host.error.find(u"Usage: quorlane") != std::u16string::npos, "a usage error without the usage");
    check(ql::loadPlacesBar(store).places.size() <= static_cast<std::size_t>(ql::kMaxPlaces), "more than five places");
    return 0;
}
