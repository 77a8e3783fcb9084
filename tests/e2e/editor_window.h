#pragma once
// quorlane.exe's main window as the end-to-end tests meet it: started for real, worked from
// outside through the driver, and the places bar key that it reads and writes.
#include "app/control_ids.h"
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql::e2e {

inline constexpr wchar_t kPolicies[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies";
inline constexpr wchar_t kPlacesBar[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ComDlg32\\PlacesBar";

inline constexpr int kCsidlDesktop = 0;
inline constexpr int kCsidlPersonal = 5;  // "Documents"
inline constexpr int kCsidlDrives = 17;   // "My Computer"

using Names = std::vector<std::wstring>;

void store(std::wstring_view name, const RegValue& value);
std::optional<RegValue> stored(std::wstring_view name);
Names storedNames();
// Place0, Place1, ... as stored, up to the first that is missing.
std::vector<RegValue> storedPlaces();
// Stores `places` as Place0, Place1, ...
void storePlaces(const std::vector<RegValue>& places);

// The entry text of a path place: the shell's name of the path, ": ", the path.
std::wstring pathEntry(std::wstring_view path);
// The same for a path that is no existing folder: marked " (not found)".
std::wstring missingPathEntry(std::wstring_view path);

// For failure messages: the text's ASCII, with '?' for the rest.
std::string narrowText(std::wstring_view s);

// Folders made for one test, removed after it.
class TemporaryFolders {
public:
    explicit TemporaryFolders(std::vector<std::wstring> paths);
    TemporaryFolders(const TemporaryFolders&) = delete;
    TemporaryFolders& operator=(const TemporaryFolders&) = delete;
    ~TemporaryFolders();

private:
    std::vector<std::wstring> paths_;
};

// A command's end: its exit status and what it wrote.
struct Ran {
    DWORD status = 0;
    std::string out;
    std::string error;
};

// Runs `commandLine` (the program is found beside the test, else on the system's path) with its
// standard output and error on pipes, or its output on `outputFile`, and waits for it to end;
// `outputEnded` runs once both pipes have ended, before that wait.
Ran run(const std::wstring& commandLine, HANDLE outputFile = nullptr, const std::function<void()>& outputEnded = {});

// quorlane.exe, started and shown, seen through its main window.
class Editor {
public:
    Editor();

    const Program& program() const { return program_; }
    HWND window() const { return window_; }
    HWND control(int id) const { return e2e::control(window_, id); }
    bool enabled(int id) const { return e2e::enabled(control(id)); }
    bool checked(int id) const { return e2e::checked(control(id)); }
    void click(int id) const { e2e::click(control(id)); }
    ListView list() const { return ListView(control(ids::kFolderList)); }
    // The entries' texts once the shell has answered for each (or it is marked not responding):
    // until then an entry shows its place alone, as stored.
    Names entries() const;
    // The same once the list holds `count` entries: places pasted or dropped are added once the
    // shell has said which are folders.
    Names entriesOnceThereAre(std::size_t count) const;

    // Waits for the dialog captioned `caption` that the window shows over itself.
    HWND waitForDialog(std::wstring_view caption) const;

    MessageBoxView question() const { return waitForMessageBox(program_, window_); }

    // Ends on its own, without a message box in between.
    ::testing::AssertionResult endsWithoutAsking() const;
    // Still open and usable: running, no message box or dialog over it, the window enabled.
    ::testing::AssertionResult staysOpen() const;
    // "Close" asks "Apply changes before exiting?": there are unsaved changes. Cancel keeps them.
    ::testing::AssertionResult closeAsksAndCancelKeepsItOpen() const;

private:
    Program program_;
    HWND window_;
};

}  // namespace ql::e2e
