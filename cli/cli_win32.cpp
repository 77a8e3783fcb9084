#include "cli/cli_win32.h"

#include "cli/commands.h"
#include "cli/elevated_write_win32.h"
#include "common/win_handles.h"
#include "common/win_text.h"
#include "common/win_texts.h"
#include "shell/known_folders_win32.h"
#include "shell/lookup_queue_win32.h"
#include "shell/shell_ui_win32.h"
#include "store/registry_places_bar_store.h"
#include "store/write_access_win32.h"

#include <shellapi.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace ql::cli {
namespace {

// A places bar file is a few hundred bytes; anything near this is no such file.
constexpr DWORD kMaxFileBytes = 1 << 20;

// How long a command waits for the file system: a share whose server is gone does not fail, it
// hangs, and a command that hangs with it is no use to the script that runs it.
constexpr auto kAnswerWithin = std::chrono::milliseconds(shellUI::LookupQueue::kStuckAfterMs);

bool usable(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

// Runs the look-ups all at once on workers of `queue` and waits for them kAnswerWithin at most:
// none for each that has not answered by then, whose worker is left to end when it does.
template <class T>
std::vector<std::optional<T>> answeredWithin(shellUI::LookupQueue& queue, std::vector<std::function<T()>> looks) {
    struct Answers {
        std::mutex mutex;
        std::condition_variable came;
        std::vector<std::optional<T>> answers;
        std::size_t count = 0;
    };
    const auto shared = std::make_shared<Answers>();
    shared->answers.resize(looks.size());
    for (std::size_t i = 0; i < looks.size(); ++i) {
        queue.post([shared, i, look = std::move(looks[i])] {
            T answer = look();
            const std::lock_guard lock(shared->mutex);
            shared->answers[i] = std::move(answer);
            ++shared->count;
            shared->came.notify_all();
        });
    }
    std::unique_lock lock(shared->mutex);
    shared->came.wait_for(lock, kAnswerWithin, [&] { return shared->count == shared->answers.size(); });
    return shared->answers;
}

// The standard handles when the program has them (a pipe, a file, a console), else the console
// of the command that started it, if any: a GUI program gets no console of its own.
class StandardOutput {
public:
    StandardOutput() : out_(::GetStdHandle(STD_OUTPUT_HANDLE)), error_(::GetStdHandle(STD_ERROR_HANDLE)) {
        if ((usable(out_) && usable(error_)) || !::AttachConsole(ATTACH_PARENT_PROCESS)) return;
        const HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_EXISTING, 0, nullptr);
        if (!usable(console)) return;
        console_.reset(console);
        if (!usable(out_)) out_ = console;
        if (!usable(error_)) error_ = console;
    }

    StandardOutput(const StandardOutput&) = delete;
    StandardOutput& operator=(const StandardOutput&) = delete;
    // The output ends with the command: a look-up left hanging in a thread that the system cannot
    // end keeps the process alive, and must not keep whoever reads the output waiting.
    ~StandardOutput() {
        if (usable(out_) && out_ != console_.get()) ::CloseHandle(out_);
        if (usable(error_) && error_ != out_ && error_ != console_.get()) ::CloseHandle(error_);
    }

    void writeOut(std::u16string_view text) const { write(out_, text); }
    void writeError(std::u16string_view text) const { write(error_, text); }

private:
    // A console takes UTF-16 as it is; pipes and files get UTF-8.
    static void write(HANDLE handle, std::u16string_view text) {
        if (!usable(handle) || text.empty()) return;
        const std::wstring wide = win::toWide(text);
        DWORD mode = 0;
        DWORD written = 0;
        if (::GetConsoleMode(handle, &mode)) {
            ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
            return;
        }
        const std::string utf8 = win::toUtf8(wide);
        ::WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }

    HANDLE out_;
    HANDLE error_;
    win::UniqueHandle console_;
};

// Wine maps a Unix path to the Windows path it shows it as (Z:\tmp for /tmp); Windows has no such call.
std::optional<std::wstring> windowsPathOfUnixPath(std::u16string_view path) {
    using DosFileName = WCHAR*(CDECL*)(LPCSTR);
    const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    const auto toDos = kernel32 ? reinterpret_cast<DosFileName>(reinterpret_cast<void*>(
                                      ::GetProcAddress(kernel32, "wine_get_dos_file_name")))
                                : nullptr;
    if (!toDos) return std::nullopt;
    const std::string unixPath = win::toUtf8(win::toWide(path));
    const win::UniqueProcessHeapText dosPath(toDos(unixPath.c_str()));
    if (!dosPath) return std::wstring();
    return std::wstring(dosPath.get());
}

class WindowsHost final : public CliHost {
public:
    void writeOut(std::u16string_view text) override { output_.writeOut(text); }
    void writeError(std::u16string_view text) override { output_.writeError(text); }

    bool specialFolderExists(std::int32_t csidl) override {
        useShell();
        return shellUI::getSpecialFolderDisplayName(csidl).has_value();
    }

    std::vector<KnownFolderPath> knownFolders() override {
        if (!known_) {
            useShell();
            known_.emplace();
            for (const shellUI::KnownFolder& folder : shellUI::knownFoldersWithoutCsidl()) {
                known_->push_back({win::toU16(folder.name), win::toU16(folder.path)});
            }
        }
        return *known_;
    }

    std::u16string absolutePath(std::u16string_view path) override {
        return win::toU16(cli::absolutePath(win::toWide(path)));
    }

    std::optional<bool> folderExists(std::u16string_view path) override {
        return answeredWithin<bool>(lookups(), {[path = win::toWide(path)] {
                                        return shellUI::isExistingFolder(shellUI::expandEnvironmentText(path));
                                    }})
            .front();
    }

    std::vector<std::optional<std::u16string>> displayNames(const std::vector<Place>& places) override {
        std::vector<std::function<std::u16string()>> looks;
        for (const Place& place : places) looks.emplace_back([place] { return displayName(place); });
        return answeredWithin(lookups(), std::move(looks));
    }

    std::u16string errorText(long error) override { return win::toU16(win::errorText(static_cast<unsigned long>(error))); }

    WriteAccess writeAccess() override {
        RegistryPlacesBarStore store;
        return ql::writeAccess(store);
    }
    long writeElevated(const DialogsContent& content) override { return cli::writeElevated(content, nullptr); }

    bool readFile(std::u16string_view path, std::vector<std::uint8_t>& bytes, std::u16string& error) override {
        std::wstring why;
        const bool ok = readFileBytes(win::toWide(path), bytes, why);
        error = win::toU16(why);
        return ok;
    }

    bool writeFile(std::u16string_view path, const std::vector<std::uint8_t>& bytes, std::u16string& error) override {
        std::wstring why;
        const bool ok = writeFileBytes(win::toWide(path), bytes, why);
        error = win::toU16(why);
        return ok;
    }

private:
    static std::u16string displayName(const Place& place) {
        if (!place.isPath()) {
            const auto name = shellUI::getSpecialFolderDisplayName(place.csidl);
            return name ? win::toU16(*name) : std::u16string();
        }
        if (place.path.empty()) return {};
        const std::wstring given = win::toWide(place.path);
        const std::wstring path = place.expandable ? shellUI::expandEnvironmentText(given) : given;
        // The file system first: where it hangs, this look-up hangs before the shell holds locks of
        // its own that the others would wait for.
        ::GetFileAttributesW(path.c_str());
        return win::toU16(shellUI::getPathDisplayName(path));
    }

    // Each look-up of a path on a worker of its own: a command asks them all at once.
    shellUI::LookupQueue& lookups() {
        if (!lookups_) lookups_.emplace(1, 0);
        return *lookups_;
    }

    // The shell's folder objects need COM on this thread; a command that asks the shell nothing
    // (an export, an import) loads neither COM nor the shell.
    void useShell() {
        if (!com_) com_.emplace();
    }

    StandardOutput output_;
    std::optional<win::ComApartment> com_;
    std::optional<std::vector<KnownFolderPath>> known_;
    std::optional<shellUI::LookupQueue> lookups_;
};

}  // namespace

std::wstring absolutePath(std::wstring_view path) {
    std::wstring full;
    if (!path.empty() && path.front() == L'/') {
        if (auto mapped = windowsPathOfUnixPath(win::toU16(path))) full = std::move(*mapped);
    }
    if (full.empty()) {
        const std::wstring given(path);
        const DWORD size = ::GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
        if (size == 0) return {};
        full.assign(size, L'\0');
        const DWORD written = ::GetFullPathNameW(given.c_str(), size, full.data(), nullptr);
        if (written == 0 || written >= size) return {};
        full.resize(written);
    }
    // "C:\work\" and "C:\work" are one folder; a root keeps its backslash.
    while (full.size() > 3 && full.back() == L'\\') full.pop_back();
    return full;
}

std::vector<std::wstring> commandLineArguments() {
    // The C runtime's split, made before the entry point: the shell's CommandLineToArgvW would
    // load the shell for commands that need none of it.
    std::vector<std::wstring> args;
    for (int i = 1; __wargv && i < __argc; ++i) args.emplace_back(__wargv[i]);
    return args;
}

int runCommandLine(const std::vector<std::wstring>& args) {
    if (args.size() == 3 && args[0] == kWriteForUserCommand) {
        // The elevated side of a hand-over: no window and no output, only its status.
        std::vector<std::uint8_t> bytes;
        std::wstring error;
        if (!readFileBytes(args[2], bytes, error)) return ERROR_INVALID_DATA;
        return static_cast<int>(writeForUser(args[1], bytes));
    }
    RegistryPlacesBarStore store;
    WindowsHost host;
    std::vector<std::u16string> words;
    for (const std::wstring& arg : args) words.push_back(win::toU16(arg));
    return runCommand(words, store, host);
}

bool readFileBytes(const std::wstring& path, std::vector<std::uint8_t>& bytes, std::wstring& error) {
    win::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        error = win::errorText(::GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) {
        error = win::errorText(::GetLastError());
        return false;
    }
    if (size.QuadPart > kMaxFileBytes) {
        error = win::loadText(IDS_FILE_TOO_LARGE);
        return false;
    }
    bytes.assign(static_cast<std::size_t>(size.QuadPart), 0);
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        error = win::errorText(::GetLastError());
        return false;
    }
    bytes.resize(read);
    return true;
}

bool writeFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes, std::wstring& error) {
    win::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        error = win::errorText(::GetLastError());
        return false;
    }
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        error = win::errorText(::GetLastError());
        return false;
    }
    return true;
}

}  // namespace ql::cli
