#pragma once
// Drives a Win32 program from another process as a user would: starts it, finds its windows and
// controls, clicks, types, answers message boxes, reads its list views, moves the real mouse, and
// sets up and reads back the registry. The driver and the program share one bitness, so structures
// placed in the program's memory have the driver's own layout.
//
// Waits give up after a patience and throw DriverError, so a test reads as a plain story and a
// missing window fails it with a sentence saying what did not come.
#include "common/win_handles.h"
#include "tests/support/cross_process.h"

#include <commctrl.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ql::e2e {

using namespace std::chrono_literals;
using Duration = std::chrono::milliseconds;

// Long enough for Wine to start a program on a loaded machine; only a fault makes a wait run out.
inline constexpr Duration kPatience = 15s;

class DriverError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Repeats `done` until it holds; false once the patience has run out.
bool waitUntil(const std::function<bool()>& done, Duration patience = kPatience);

// ---- Registry ---------------------------------------------------------------------------------

// A value as stored: its type and its bytes, whatever they are.
struct RegValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    static RegValue dword(std::uint32_t number);
    // REG_SZ text with its terminating NUL.
    static RegValue string(std::wstring_view textValue);
    static RegValue raw(DWORD type, std::vector<BYTE> bytes);

    bool operator==(const RegValue&) const = default;
};
void PrintTo(const RegValue& value, std::ostream* os);

// Creates the key (and its parents) under HKEY_CURRENT_USER and stores the value.
void writeValue(std::wstring_view keyPath, std::wstring_view name, const RegValue& value);
// Creates the key (and its parents) with the given options (REG_OPTION_VOLATILE, ...).
void createKey(std::wstring_view keyPath, DWORD options = REG_OPTION_NON_VOLATILE);
// Removes the key with everything below it; a missing key is fine.
void deleteKeyTree(std::wstring_view keyPath);
bool keyExists(std::wstring_view keyPath);
std::optional<RegValue> readValue(std::wstring_view keyPath, std::wstring_view name);
// Names of the key's values, in the registry's order; empty when the key is missing.
std::vector<std::wstring> valueNames(std::wstring_view keyPath);

// Sets a value for as long as it lives, then puts back what was there before (or nothing).
class ScopedValue {
public:
    ScopedValue(std::wstring keyPath, std::wstring name, const RegValue& value);
    ScopedValue(ScopedValue&& other) noexcept;
    ScopedValue& operator=(ScopedValue&&) = delete;
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;
    ~ScopedValue();

private:
    std::wstring keyPath_;
    std::wstring name_;
    std::optional<RegValue> previous_;
    bool active_ = true;
};

// ---- The program under test -------------------------------------------------------------------

class Program {
public:
    // Starts `exeName`, found in the folder of the running test executable. Under Wine its
    // windows are unmanaged while this object lives (see Program::start).
    static Program start(std::wstring_view exeName);

    Program(Program&&) = default;
    Program& operator=(Program&&) = delete;  // a program, once started, stays the one this object ends
    ~Program();  // ends the program if it still runs, so no test leaves one behind

    DWORD id() const { return id_; }
    bool running() const;
    // True once the program has ended.
    bool waitForExit(Duration patience = kPatience) const;

    // The program's visible top-level windows.
    std::vector<HWND> windows() const;
    // Waits for a visible top-level window of the program for which `match` holds and that
    // answers messages.
    HWND waitForWindow(const std::function<bool(HWND)>& match, std::string_view what,
                       Duration patience = kPatience) const;

private:
    Program(win::UniqueHandle process, DWORD id, std::optional<ScopedValue> wineSetting)
        : process_(std::move(process)), id_(id), wineSetting_(std::move(wineSetting)) {}
    win::UniqueHandle process_;
    DWORD id_ = 0;
    std::optional<ScopedValue> wineSetting_;
};

// Waits for a visible top-level window of any process, such as a program that the program under
// test starts in turn.
HWND waitForAnyWindow(const std::function<bool(HWND)>& match, std::string_view what, Duration patience = kPatience);
// The executable file of the process that owns the window; empty when it cannot be read.
std::wstring processFileName(HWND hwnd);

// ---- Windows and controls ---------------------------------------------------------------------

// Sends `message` and returns the answer; a window that is gone or does not answer fails.
DWORD_PTR ask(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

std::wstring className(HWND hwnd);
// The window's text; empty once the window is gone.
std::wstring text(HWND hwnd);
bool enabled(HWND hwnd);
bool checked(HWND button);
HWND owner(HWND hwnd);
// The window that has the keyboard focus in the thread of `hwnd`; null when none has it.
HWND focused(HWND hwnd);
// The middle of the window, in screen coordinates: where a user clicks a button.
POINT middle(HWND hwnd);

// The child control with `id`; throws when there is none.
HWND control(HWND parent, int id);
// The first descendant of `parent` of class `cls` (and caption `caption`, when given), or null.
HWND findControl(HWND parent, std::wstring_view cls, std::optional<std::wstring_view> caption = {});

// The texts of a toolbar's buttons in their order, separators left out (the places bar of the
// Open dialog is a toolbar).
std::vector<std::wstring> toolbarButtonTexts(HWND toolbar);

// Waits until the thread of `hwnd` has handled everything sent, posted or input to it so far and
// is back in a message loop (its own, or a modal one that it opened meanwhile). A window that is
// gone (the program closed it) counts as settled. Round trips of sent messages cannot tell this:
// a thread serves sent messages before posted ones and input.
void settle(HWND hwnd);

// Waits until `hwnd` has painted all that is invalid in it, and then settles: the screen shows
// what it holds now.
void waitForPaint(HWND hwnd);

// Posts `message` (so a modal loop it opens never blocks the driver) and settles.
void post(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Presses a button as a click would (BM_CLICK) and settles the window that owns it.
void click(HWND button);
// The title-bar close button (and Alt+F4): the system close command.
void closeFromTitleBar(HWND topLevel);

// ---- Keyboard ---------------------------------------------------------------------------------

// Brings `topLevel` to the foreground and gives `target` (a control in it) the keyboard focus.
void focus(HWND topLevel, HWND target);
// Presses and releases `key` while holding `modifiers` (VK_MENU, VK_CONTROL, VK_SHIFT), as real
// input to whatever has the focus; then settles the program that owns `settleWindow`.
void pressKey(HWND settleWindow, WORD key, std::initializer_list<WORD> modifiers = {});
// Types `textToType` character by character.
void typeText(HWND settleWindow, std::wstring_view textToType);

// ---- Message boxes ----------------------------------------------------------------------------

struct MessageBoxView {
    HWND box = nullptr;
    std::wstring caption;
    std::wstring text;
};

// The message box that `ownerWindow` shows now, if any.
std::optional<MessageBoxView> messageBoxOf(const Program& program, HWND ownerWindow);
MessageBoxView waitForMessageBox(const Program& program, HWND ownerWindow, Duration patience = kPatience);
// Presses the box's button `buttonId` (IDYES, IDNO, IDCANCEL, IDOK) and settles its owner.
void answer(const MessageBoxView& box, int buttonId);

// ---- Memory of the program ------------------------------------------------------------------

// A buffer inside the process that owns a window, for messages whose parameters point to memory:
// the pointers must point into the receiving process.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, size_t size);

    // The address, in the program, `offset` bytes into the buffer.
    BYTE* at(size_t offset = 0) const;
    LPARAM param(size_t offset = 0) const { return reinterpret_cast<LPARAM>(at(offset)); }

    void write(size_t offset, const void* data, size_t size) const;
    // Reads any memory of the program: the buffer, or memory the program pointed to.
    void read(const void* remote, void* data, size_t size) const;
    // The text at `remote`, up to its NUL or `maxChars`.
    std::wstring readText(const void* remote, size_t maxChars) const;

    template <typename T>
    void put(const T& value, size_t offset = 0) const {
        write(offset, &value, sizeof value);
    }
    template <typename T>
    T get(size_t offset = 0) const {
        T value{};
        read(at(offset), &value, sizeof value);
        return value;
    }

private:
    win::UniqueHandle process_;
    win::RemoteMemory memory_;
    size_t size_;
};

// ---- A list view in the program -----------------------------------------------------------------

class ListView {
public:
    explicit ListView(HWND list);

    HWND hwnd() const { return list_; }
    int count() const;
    std::wstring text(int item) const;
    std::vector<std::wstring> texts() const;
    int image(int item) const;
    UINT state(int item, UINT mask) const;
    std::vector<int> selection() const;
    // The item's bounds, in screen coordinates.
    RECT itemRect(int item, int part = LVIR_BOUNDS) const;
    // The middle of the item's label, where a user points at it.
    POINT itemPoint(int item) const;

private:
    LVITEMW readItem(int item, UINT mask, std::wstring* itemText) const;

    HWND list_;
    RemoteBuffer buffer_;
};

// ---- Mouse ------------------------------------------------------------------------------------

// Real mouse input at screen pixels. Each function then settles the program that owns `settleWindow`.
namespace mouse {
// A click while holding `modifiers` (VK_CONTROL, VK_SHIFT).
void click(HWND settleWindow, POINT at, std::initializer_list<WORD> modifiers = {});
void doubleClick(HWND settleWindow, POINT at);
void rightClick(HWND settleWindow, POINT at);
void press(HWND settleWindow, POINT at);
void moveTo(HWND settleWindow, POINT at);
void release(HWND settleWindow, POINT at);
// Left button down at `from`, `moves` steps `pause` apart, left button up at `to`.
void drag(HWND settleWindow, POINT from, POINT to, int moves = 12, Duration pause = 30ms);
}  // namespace mouse

// ---- Screen -----------------------------------------------------------------------------------

// What a rectangle shows: 0x00RRGGBB per pixel, row by row from the top.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;

    std::uint32_t at(int x, int y) const { return rgb[static_cast<size_t>(y * width + x)]; }
};

// What the screen shows in `area` (screen coordinates) now.
Pixels capture(const RECT& area);
// Where `image` appears within `in`, pixel for pixel: the top left corner of its first appearance.
std::optional<POINT> find(const Pixels& in, const Pixels& image);

// ---- Shell ------------------------------------------------------------------------------------

// Selects `path` in the shell's folder browser, as a click in its tree would; OK then returns it.
// Wine's browser ignores a path typed into its edit box.
void selectFolderInBrowser(HWND browser, std::wstring_view path);

// The names a user sees in the shell: of a special folder (CSIDL) and of a path; empty when the
// shell knows no such folder.
std::wstring shellFolderName(int csidl);
std::wstring shellPathName(std::wstring_view path);
// The shell's 32 x 32 icon of a special folder and of a path on `background`, as a list view draws
// it from the system image list. Empty when the shell knows no such folder.
Pixels shellFolderIcon(int csidl, COLORREF background);
Pixels shellPathIcon(std::wstring_view path, COLORREF background);

}  // namespace ql::e2e
