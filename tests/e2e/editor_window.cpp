#include "tests/e2e/editor_window.h"

#include "common/string_ids.h"
#include "common/win_text.h"
#include "common/win_texts.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace ql::e2e {
namespace {

bool isEditorWindow(HWND hwnd) {
    return className(hwnd) == L"#32770" && !owner(hwnd) && text(hwnd).starts_with(L"Quorlane");
}

std::wstring placeName(size_t index) { return L"Place" + std::to_wstring(index); }

// What an entry shows before its look-up answers: a path alone, without a name before it or a mark
// after it, or "Special folder <number>" without a mark.
bool awaitsLookUp(const std::wstring& entry) {
    if (entry.ends_with(L")")) return false;
    const bool path = (entry.size() > 2 && entry[1] == L':') || entry.starts_with(L"\\\\") || entry.starts_with(L"%");
    if (path) return entry.find(L": ") == std::wstring::npos;
    const std::size_t number = entry.find_last_not_of(L"0123456789") + 1;
    return number < entry.size() && entry == win::loadText(IDS_ENTRY_SPECIAL_FOLDER, {win::toU16(entry.substr(number))});
}

std::string readAll(HANDLE pipe) {
    std::string all;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) all.append(buffer, got);
    return all;
}

}  // namespace

void store(std::wstring_view name, const RegValue& value) { writeValue(kPlacesBar, name, value); }

std::optional<RegValue> stored(std::wstring_view name) { return readValue(kPlacesBar, name); }

Names storedNames() { return valueNames(kPlacesBar); }

std::vector<RegValue> storedPlaces() {
    std::vector<RegValue> places;
    while (const auto value = stored(placeName(places.size()))) places.push_back(*value);
    return places;
}

void storePlaces(const std::vector<RegValue>& places) {
    for (size_t i = 0; i < places.size(); ++i) store(placeName(i), places[i]);
}

std::wstring pathEntry(std::wstring_view path) {
    const std::wstring name = shellPathName(path);
    return name.empty() ? std::wstring(path) : name + L": " + std::wstring(path);
}

std::wstring missingPathEntry(std::wstring_view path) { return pathEntry(path) + L" (not found)"; }

std::string narrowText(std::wstring_view s) {
    std::string out;
    for (wchar_t c : s) out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return out;
}

TemporaryFolders::TemporaryFolders(std::vector<std::wstring> paths) : paths_(std::move(paths)) {
    for (const auto& path : paths_) ::CreateDirectoryW(path.c_str(), nullptr);
}

TemporaryFolders::~TemporaryFolders() {
    for (auto it = paths_.rbegin(); it != paths_.rend(); ++it) ::RemoveDirectoryW(it->c_str());
}

Editor::Editor()
    : program_(Program::start(L"quorlane.exe")), window_(program_.waitForWindow(isEditorWindow, "the Quorlane window")) {}

Names Editor::entries() const {
    Names texts = list().texts();
    waitUntil([&] { return std::ranges::none_of(texts = list().texts(), awaitsLookUp); });
    return texts;
}

Names Editor::entriesOnceThereAre(std::size_t count) const {
    waitUntil([&] { return list().texts().size() == count; });
    return entries();
}

HWND Editor::waitForDialog(std::wstring_view caption) const {
    return program_.waitForWindow([&](HWND hwnd) { return owner(hwnd) == window_ && text(hwnd) == caption; },
                                  "the dialog \"" + narrowText(caption) + "\"");
}

::testing::AssertionResult Editor::endsWithoutAsking() const {
    std::optional<MessageBoxView> box;
    waitUntil([&] { return !program_.running() || (box = messageBoxOf(program_, window_)).has_value(); });
    if (box) return ::testing::AssertionFailure() << "it asked \"" << narrowText(box->text) << "\"";
    if (program_.running()) return ::testing::AssertionFailure() << "it is still running";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Editor::staysOpen() const {
    settle(window_);
    if (!program_.running() || !::IsWindow(window_)) return ::testing::AssertionFailure() << "it closed";
    for (HWND hwnd : program_.windows()) {
        // An entry's info tip, left showing by where the mouse last stood, is no window over it.
        if (owner(hwnd) == window_ && className(hwnd) != TOOLTIPS_CLASSW) {
            return ::testing::AssertionFailure() << "a window is open over it: \"" << narrowText(text(hwnd)) << "\"";
        }
    }
    if (!e2e::enabled(window_)) return ::testing::AssertionFailure() << "the window is disabled";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Editor::closeAsksAndCancelKeepsItOpen() const {
    click(ids::kExitApp);
    std::optional<MessageBoxView> box;
    waitUntil([&] { return !program_.running() || (box = messageBoxOf(program_, window_)).has_value(); });
    if (!box) return ::testing::AssertionFailure() << "Close did not ask: there was nothing unsaved";
    if (box->text != L"Apply changes before exiting?") {
        return ::testing::AssertionFailure() << "Close asked \"" << narrowText(box->text) << "\"";
    }
    answer(*box, IDCANCEL);
    return staysOpen();
}

Ran run(const std::wstring& commandLine, HANDLE outputFile, const std::function<void()>& outputEnded) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    win::UniqueHandle outRead, outWrite, errorRead, errorWrite;
    if (!::CreatePipe(outRead.put(), outWrite.put(), &inherit, 0) ||
        !::CreatePipe(errorRead.put(), errorWrite.put(), &inherit, 0)) {
        throw DriverError("cannot make pipes");
    }
    ::SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errorRead.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outputFile ? outputFile : outWrite.get();
    startup.hStdError = errorWrite.get();
    PROCESS_INFORMATION info{};
    std::wstring line = commandLine;
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        throw DriverError("cannot run " + narrowText(commandLine));
    }
    const win::UniqueHandle process(info.hProcess), thread(info.hThread);
    // Only the program holds the writing ends now: the reads end when it lets go of them.
    outWrite.reset();
    errorWrite.reset();
    Ran ran;
    std::thread errors([&] { ran.error = readAll(errorRead.get()); });
    ran.out = readAll(outRead.get());
    errors.join();
    if (outputEnded) outputEnded();
    if (::WaitForSingleObject(process.get(), static_cast<DWORD>(kPatience.count())) != WAIT_OBJECT_0) {
        throw DriverError(narrowText(commandLine) + " did not end");
    }
    ::GetExitCodeProcess(process.get(), &ran.status);
    return ran;
}

}  // namespace ql::e2e
