#include "tests/e2e/driver.h"

#include "tests/support/dib.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <iomanip>
#include <iterator>
#include <ostream>
#include <thread>
#include <utility>

namespace ql::e2e {
namespace {

constexpr Duration kPollInterval = 10ms;

DWORD milliseconds(Duration d) { return static_cast<DWORD>(d.count()); }

std::string narrow(std::wstring_view s) {
    std::string out;
    for (wchar_t c : s) out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return out;
}

[[noreturn]] void fail(const std::string& what, DWORD error = ::GetLastError()) {
    throw DriverError(what + " (error " + std::to_string(error) + ")");
}

// The window's answer, or nothing when the window is gone; a window that is there and does not
// answer fails the test.
std::optional<DWORD_PTR> trySend(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (::SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, milliseconds(kPatience), &result)) {
        return result;
    }
    const DWORD error = ::GetLastError();
    if (!::IsWindow(hwnd)) return std::nullopt;
    fail("window does not answer message " + std::to_string(message), error);
}

std::wstring exeFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) fail("cannot find the test executable");
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

void sendInputs(std::vector<INPUT>& inputs) {
    const UINT sent = ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) fail("SendInput refused the input");
}

// Sends the input and waits until the program has taken it.
void send(HWND settleWindow, std::vector<INPUT> inputs) {
    sendInputs(inputs);
    settle(settleWindow);
}

}  // namespace

DWORD_PTR ask(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto result = trySend(hwnd, message, wParam, lParam);
    if (!result) throw DriverError("window is gone before answering message " + std::to_string(message));
    return *result;
}

bool waitUntil(const std::function<bool()>& done, Duration patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

// ---- Program ------------------------------------------------------------------------------------

namespace {

bool runningOnWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace

Program Program::start(std::wstring_view exeName) {
    // With no window manager on the display, Wine waits two seconds for one whenever a managed
    // window is hidden (every closed message box, every exit). Unmanaged windows skip the wait.
    std::optional<ScopedValue> wineSetting;
    if (runningOnWine()) {
        wineSetting.emplace(L"Software\\Wine\\AppDefaults\\" + std::wstring(exeName) + L"\\X11 Driver", L"Managed",
                            RegValue::string(L"N"));
    }
    const std::wstring path = exeFolder() + std::wstring(exeName);
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
        fail("cannot start " + narrow(path));
    }
    win::UniqueHandle thread(info.hThread);
    return Program(win::UniqueHandle(info.hProcess), info.dwProcessId, std::move(wineSetting));
}

Program::~Program() {
    if (process_ && running()) {
        ::TerminateProcess(process_.get(), 1);
        ::WaitForSingleObject(process_.get(), milliseconds(kPatience));
    }
}

bool Program::running() const { return ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

bool Program::waitForExit(Duration patience) const {
    return ::WaitForSingleObject(process_.get(), milliseconds(patience)) == WAIT_OBJECT_0;
}

namespace {

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK collectVisibleWindowOf(HWND hwnd, LPARAM lParam) {
    auto& search = *reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search.processId && ::IsWindowVisible(hwnd)) search.found.push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> Program::windows() const {
    WindowSearch search{id_, {}};
    ::EnumWindows(collectVisibleWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Program::waitForWindow(const std::function<bool(HWND)>& match, std::string_view what, Duration patience) const {
    ::WaitForInputIdle(process_.get(), milliseconds(patience));
    HWND found = nullptr;
    const bool shown = waitUntil(
        [&] {
            const auto all = windows();
            const auto it = std::find_if(all.begin(), all.end(), match);
            found = it == all.end() ? nullptr : *it;
            return found != nullptr || !running();
        },
        patience);
    if (!found) throw DriverError(std::string(what) + (shown ? ": the program ended first" : ": never shown"));
    settle(found);
    return found;
}

namespace {

BOOL CALLBACK collectVisibleWindow(HWND hwnd, LPARAM lParam) {
    if (::IsWindowVisible(hwnd)) reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> allWindows() {
    std::vector<HWND> found;
    ::EnumWindows(collectVisibleWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

HWND waitForAnyWindow(const std::function<bool(HWND)>& match, std::string_view what, Duration patience) {
    HWND found = nullptr;
    waitUntil(
        [&] {
            const auto all = allWindows();
            const auto it = std::find_if(all.begin(), all.end(), match);
            found = it == all.end() ? nullptr : *it;
            return found != nullptr;
        },
        patience);
    if (!found) throw DriverError(std::string(what) + ": never shown");
    settle(found);
    return found;
}

std::wstring processFileName(HWND hwnd) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    const win::UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return {};
    std::wstring path(32768, L'\0');
    DWORD length = static_cast<DWORD>(path.size());
    if (!::QueryFullProcessImageNameW(process.get(), 0, path.data(), &length)) return {};
    path.resize(length);
    return path;
}

// ---- Windows and controls -----------------------------------------------------------------------

std::wstring className(HWND hwnd) {
    wchar_t name[256]{};
    const int length = ::GetClassNameW(hwnd, name, static_cast<int>(std::size(name)));
    return std::wstring(name, static_cast<size_t>(std::max(length, 0)));
}

std::wstring text(HWND hwnd) {
    const auto length = trySend(hwnd, WM_GETTEXTLENGTH);
    if (!length) return {};
    std::wstring result(*length + 1, L'\0');
    const auto copied = trySend(hwnd, WM_GETTEXT, result.size(), reinterpret_cast<LPARAM>(result.data()));
    result.resize(copied ? std::min<size_t>(*copied, *length) : 0);
    return result;
}

bool enabled(HWND hwnd) { return ::IsWindowEnabled(hwnd) != FALSE; }

bool checked(HWND button) { return ask(button, BM_GETCHECK) == BST_CHECKED; }

HWND owner(HWND hwnd) { return ::GetWindow(hwnd, GW_OWNER); }

HWND focused(HWND hwnd) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(hwnd, nullptr), &info) ? info.hwndFocus : nullptr;
}

POINT middle(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

HWND control(HWND parent, int id) {
    HWND hwnd = ::GetDlgItem(parent, id);
    if (!hwnd) fail("no control with id " + std::to_string(id) + " in " + narrow(text(parent)));
    return hwnd;
}

namespace {

struct ControlSearch {
    std::wstring_view cls;
    std::optional<std::wstring_view> caption;
    HWND found;
};

BOOL CALLBACK findMatchingControl(HWND hwnd, LPARAM lParam) {
    auto& search = *reinterpret_cast<ControlSearch*>(lParam);
    if (className(hwnd) != search.cls || (search.caption && text(hwnd) != *search.caption)) return TRUE;
    search.found = hwnd;
    return FALSE;
}

}  // namespace

HWND findControl(HWND parent, std::wstring_view cls, std::optional<std::wstring_view> caption) {
    ControlSearch search{cls, caption, nullptr};
    ::EnumChildWindows(parent, findMatchingControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<std::wstring> toolbarButtonTexts(HWND toolbar) {
    // The button first, its text behind it.
    constexpr size_t kButtonTextOffset = 64;
    constexpr size_t kButtonTextChars = 1024;
    static_assert(sizeof(TBBUTTON) <= kButtonTextOffset);
    const RemoteBuffer buffer(toolbar, kButtonTextOffset + kButtonTextChars * sizeof(wchar_t));
    std::vector<std::wstring> texts;
    const auto count = static_cast<int>(ask(toolbar, TB_BUTTONCOUNT));
    for (int i = 0; i < count; ++i) {
        if (!ask(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), buffer.param())) {
            throw DriverError("the toolbar has no button " + std::to_string(i));
        }
        const auto button = buffer.get<TBBUTTON>();
        if (button.fsStyle & BTNS_SEP) continue;
        // The toolbar copies the whole text whatever the room: its length first.
        const auto id = static_cast<WPARAM>(button.idCommand);
        const auto length = static_cast<LRESULT>(ask(toolbar, TB_GETBUTTONTEXTW, id, 0));
        if (length < 0 || static_cast<size_t>(length) >= kButtonTextChars) {
            throw DriverError("the text of toolbar button " + std::to_string(i) + " cannot be read");
        }
        ask(toolbar, TB_GETBUTTONTEXTW, id, buffer.param(kButtonTextOffset));
        texts.push_back(buffer.readText(buffer.at(kButtonTextOffset), kButtonTextChars));
    }
    return texts;
}

void settle(HWND hwnd) {
    HWND root = ::GetAncestor(hwnd, GA_ROOTOWNER);
    if (!root || !::IsWindowVisible(root)) root = ::GetAncestor(hwnd, GA_ROOT);
    if (!root || !::IsWindow(root)) return;
    // A thread paints only once nothing sent, posted or input waits for it, so a region made
    // invalid now is validated only after everything that came before.
    RECT marker{0, 0, 1, 1};
    if (!::InvalidateRect(root, &marker, FALSE)) return;
    const bool painted = waitUntil([&] { return !::IsWindow(root) || !::GetUpdateRect(root, nullptr, FALSE); });
    if (!painted) throw DriverError("the program does not come back to its message loop");
}

void waitForPaint(HWND hwnd) {
    if (!waitUntil([&] { return !::IsWindow(hwnd) || !::GetUpdateRect(hwnd, nullptr, FALSE); })) {
        throw DriverError("the window does not paint");
    }
    settle(hwnd);
}

void post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!::PostMessageW(hwnd, message, wParam, lParam)) fail("cannot post message " + std::to_string(message));
    settle(hwnd);
}

void click(HWND button) {
    if (!::IsWindowVisible(button) || !enabled(button)) {
        throw DriverError("cannot click \"" + narrow(text(button)) + "\": it is hidden or disabled");
    }
    post(button, BM_CLICK);
}

void closeFromTitleBar(HWND topLevel) { post(topLevel, WM_SYSCOMMAND, SC_CLOSE); }

// ---- Keyboard -----------------------------------------------------------------------------------

void focus(HWND topLevel, HWND target) {
    const DWORD thread = ::GetWindowThreadProcessId(target, nullptr);
    ::SetForegroundWindow(topLevel);
    {
        const win::AttachedThreadInput shared(thread);
        ::SetFocus(target);
    }
    const bool focused = waitUntil([&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return ::GetForegroundWindow() == topLevel && ::GetGUIThreadInfo(thread, &info) && info.hwndFocus == target;
    });
    if (!focused) throw DriverError("cannot give the keyboard focus to \"" + narrow(text(target)) + "\"");
    settle(topLevel);
}

namespace {

INPUT keyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    switch (key) {
    case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT: case VK_DELETE: case VK_INSERT:
    case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
        input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        break;
    default:
        break;
    }
    if (up) input.ki.dwFlags |= KEYEVENTF_KEYUP;
    return input;
}

// Keys pressed through SendInput are unknown to the X server: a KeymapNotify handled after they
// are down (a pointer crossing into a window brings one) lets Wine release them, and the key that
// follows comes without them. So they go down until they have stayed down across two settles.
void holdDown(HWND settleWindow, std::initializer_list<WORD> modifiers) {
    for (int round = 0, stayed = 0; round < 20 && modifiers.size() > 0 && stayed < 2; ++round) {
        std::vector<INPUT> presses;
        for (WORD m : modifiers) {
            if (!(::GetAsyncKeyState(m) & 0x8000)) presses.push_back(keyInput(m, false));
        }
        stayed = presses.empty() && round > 0 ? stayed + 1 : 0;
        send(settleWindow, std::move(presses));
    }
}

}  // namespace

void pressKey(HWND settleWindow, WORD key, std::initializer_list<WORD> modifiers) {
    holdDown(settleWindow, modifiers);
    std::vector<INPUT> inputs;
    inputs.push_back(keyInput(key, false));
    inputs.push_back(keyInput(key, true));
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it) inputs.push_back(keyInput(*it, true));
    send(settleWindow, std::move(inputs));
}

void typeText(HWND settleWindow, std::wstring_view textToType) {
    std::vector<INPUT> inputs;
    for (wchar_t c : textToType) {
        for (bool up : {false, true}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = static_cast<WORD>(c);
            input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0u);
            inputs.push_back(input);
        }
    }
    if (inputs.empty()) return;
    send(settleWindow, std::move(inputs));
}

// ---- Message boxes ------------------------------------------------------------------------------

std::optional<MessageBoxView> messageBoxOf(const Program& program, HWND ownerWindow) {
    constexpr int kMessageBoxTextId = 0xFFFF;
    for (HWND hwnd : program.windows()) {
        if (className(hwnd) != L"#32770" || owner(hwnd) != ownerWindow) continue;
        HWND message = ::GetDlgItem(hwnd, kMessageBoxTextId);
        return MessageBoxView{hwnd, text(hwnd), message ? text(message) : std::wstring()};
    }
    return std::nullopt;
}

MessageBoxView waitForMessageBox(const Program& program, HWND ownerWindow, Duration patience) {
    std::optional<MessageBoxView> box;
    waitUntil([&] { return (box = messageBoxOf(program, ownerWindow)).has_value() || !program.running(); }, patience);
    if (!box) throw DriverError(program.running() ? "no message box came" : "the program ended instead of asking");
    settle(box->box);
    return *box;
}

void answer(const MessageBoxView& box, int buttonId) { click(control(box.box, buttonId)); }

// ---- Memory of the program ----------------------------------------------------------------------

RemoteBuffer::RemoteBuffer(HWND window, size_t size) : size_(size) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    process_.reset(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (!process_) fail("cannot open the window's process");
    memory_ = win::RemoteMemory(process_.get(), size);
    if (!memory_) fail("cannot place a buffer in the window's process");
}

BYTE* RemoteBuffer::at(size_t offset) const {
    if (offset > size_) throw DriverError("offset " + std::to_string(offset) + " is past the buffer");
    return static_cast<BYTE*>(memory_.get()) + offset;
}

void RemoteBuffer::write(size_t offset, const void* data, size_t size) const {
    if (offset + size > size_) throw DriverError("data does not fit the buffer");
    if (!::WriteProcessMemory(process_.get(), at(offset), data, size, nullptr)) fail("cannot write into the program's memory");
}

void RemoteBuffer::read(const void* remote, void* data, size_t size) const {
    if (!::ReadProcessMemory(process_.get(), remote, data, size, nullptr)) fail("cannot read the program's memory");
}

std::wstring RemoteBuffer::readText(const void* remote, size_t maxChars) const {
    std::wstring chars(maxChars, L'\0');
    read(remote, chars.data(), maxChars * sizeof(wchar_t));
    return chars.substr(0, chars.find(L'\0'));
}

// ---- ListView -----------------------------------------------------------------------------------

namespace {

// Where the parts of a request lie in the list view's buffer.
constexpr size_t kTextOffset = 512;
constexpr size_t kTextChars = 1024;
static_assert(sizeof(LVITEMW) <= kTextOffset && sizeof(RECT) <= kTextOffset);

}  // namespace

ListView::ListView(HWND list) : list_(list), buffer_(list, kTextOffset + kTextChars * sizeof(wchar_t)) {}

LVITEMW ListView::readItem(int item, UINT mask, std::wstring* itemText) const {
    LVITEMW request{};
    request.mask = mask | (itemText ? LVIF_TEXT : 0u);
    request.iItem = item;
    if (itemText) {
        request.pszText = reinterpret_cast<wchar_t*>(buffer_.at(kTextOffset));
        request.cchTextMax = static_cast<int>(kTextChars);
    }
    buffer_.put(request);
    if (!ask(list_, LVM_GETITEMW, 0, buffer_.param())) throw DriverError("the list has no item " + std::to_string(item));
    const auto answered = buffer_.get<LVITEMW>();
    // The list may answer with a pointer to its own copy instead of filling the buffer.
    if (itemText) *itemText = buffer_.readText(answered.pszText, kTextChars);
    return answered;
}

int ListView::count() const { return static_cast<int>(ask(list_, LVM_GETITEMCOUNT)); }

std::wstring ListView::text(int item) const {
    std::wstring result;
    readItem(item, 0, &result);
    return result;
}

std::vector<std::wstring> ListView::texts() const {
    std::vector<std::wstring> result;
    for (int i = 0, n = count(); i < n; ++i) result.push_back(text(i));
    return result;
}

int ListView::image(int item) const { return readItem(item, LVIF_IMAGE, nullptr).iImage; }

UINT ListView::state(int item, UINT mask) const {
    return static_cast<UINT>(ask(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(item), static_cast<LPARAM>(mask)));
}

std::vector<int> ListView::selection() const {
    std::vector<int> result;
    for (int i = -1;;) {
        i = static_cast<int>(static_cast<LRESULT>(ask(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED)));
        if (i < 0) return result;
        result.push_back(i);
    }
}

RECT ListView::itemRect(int item, int part) const {
    RECT rect{};
    rect.left = part;
    buffer_.put(rect);
    if (!ask(list_, LVM_GETITEMRECT, static_cast<WPARAM>(item), buffer_.param())) {
        throw DriverError("the list has no rectangle for item " + std::to_string(item));
    }
    rect = buffer_.get<RECT>();
    ::MapWindowPoints(list_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

POINT ListView::itemPoint(int item) const {
    const RECT label = itemRect(item, LVIR_LABEL);
    return POINT{(label.left + label.right) / 2, (label.top + label.bottom) / 2};
}

// ---- Mouse --------------------------------------------------------------------------------------

namespace mouse {
namespace {

// Absolute coordinates run from 0 to 65536 across the screen; this lands exactly on the pixel.
INPUT mouseInput(POINT at, DWORD flags) {
    const LONG width = ::GetSystemMetrics(SM_CXSCREEN);
    const LONG height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = (at.x * 65536 + width - 1) / width;
    input.mi.dy = (at.y * 65536 + height - 1) / height;
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

}  // namespace

void click(HWND settleWindow, POINT at, std::initializer_list<WORD> modifiers) {
    // The pointer moves first: its crossing into a window brings the KeymapNotify that would
    // otherwise release the modifiers pressed below.
    if (modifiers.size() > 0) send(settleWindow, {mouseInput(at, 0)});
    holdDown(settleWindow, modifiers);
    std::vector<INPUT> inputs;
    for (DWORD flags : {DWORD{0}, DWORD{MOUSEEVENTF_LEFTDOWN}, DWORD{MOUSEEVENTF_LEFTUP}}) inputs.push_back(mouseInput(at, flags));
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it) inputs.push_back(keyInput(*it, true));
    send(settleWindow, std::move(inputs));
}

void doubleClick(HWND settleWindow, POINT at) {
    send(settleWindow, {mouseInput(at, 0), mouseInput(at, MOUSEEVENTF_LEFTDOWN), mouseInput(at, MOUSEEVENTF_LEFTUP),
                        mouseInput(at, MOUSEEVENTF_LEFTDOWN), mouseInput(at, MOUSEEVENTF_LEFTUP)});
}

void rightClick(HWND settleWindow, POINT at) {
    send(settleWindow, {mouseInput(at, 0), mouseInput(at, MOUSEEVENTF_RIGHTDOWN), mouseInput(at, MOUSEEVENTF_RIGHTUP)});
}

void press(HWND settleWindow, POINT at) {
    send(settleWindow, {mouseInput(at, 0), mouseInput(at, MOUSEEVENTF_LEFTDOWN)});
}

void moveTo(HWND settleWindow, POINT at) { send(settleWindow, {mouseInput(at, 0)}); }

void release(HWND settleWindow, POINT at) {
    send(settleWindow, {mouseInput(at, 0), mouseInput(at, MOUSEEVENTF_LEFTUP)});
}

void drag(HWND settleWindow, POINT from, POINT to, int moves, Duration pause) {
    press(settleWindow, from);
    // The moves are paced, not settled one by one: nothing but the pointer comes between them.
    for (int i = 1; i <= moves; ++i) {
        std::this_thread::sleep_for(pause);
        std::vector<INPUT> move{mouseInput(POINT{from.x + (to.x - from.x) * i / moves, from.y + (to.y - from.y) * i / moves}, 0)};
        sendInputs(move);
    }
    release(settleWindow, to);
}

}  // namespace mouse

// ---- Screen -------------------------------------------------------------------------------------

namespace {

// Pixels drawn by `draw` into a top-down 32-bit bitmap of the given size.
Pixels drawn(int width, int height, const std::function<void(HDC)>& draw) {
    void* bits = nullptr;
    const win::UniqueBitmap bitmap = testing::createTopDownDib(width, height, &bits);
    const win::UniqueDc dc(::CreateCompatibleDC(nullptr));
    if (!bitmap || !dc) fail("cannot make a bitmap to draw in");
    {
        const win::SelectObjectScope selected(dc.get(), bitmap.get());
        if (!selected.ok()) fail("cannot draw in a bitmap");
        draw(dc.get());
        ::GdiFlush();
    }
    Pixels pixels{width, height, std::vector<std::uint32_t>(static_cast<size_t>(width * height))};
    const auto* source = static_cast<const std::uint32_t*>(bits);
    std::transform(source, source + pixels.rgb.size(), pixels.rgb.begin(), [](std::uint32_t p) { return p & 0xFFFFFFu; });
    return pixels;
}

}  // namespace

Pixels capture(const RECT& area) {
    const win::WindowDc screen(nullptr);
    if (!screen.get()) fail("cannot read the screen");
    return drawn(area.right - area.left, area.bottom - area.top, [&](HDC dc) {
        if (!::BitBlt(dc, 0, 0, area.right - area.left, area.bottom - area.top, screen.get(), area.left, area.top, SRCCOPY)) {
            fail("cannot copy from the screen");
        }
    });
}

std::optional<POINT> find(const Pixels& in, const Pixels& image) {
    for (int y = 0; y + image.height <= in.height; ++y) {
        for (int x = 0; x + image.width <= in.width; ++x) {
            bool same = true;
            for (int v = 0; same && v < image.height; ++v) {
                for (int u = 0; same && u < image.width; ++u) same = in.at(x + u, y + v) == image.at(u, v);
            }
            if (same) return POINT{x, y};
        }
    }
    return std::nullopt;
}

// ---- Shell --------------------------------------------------------------------------------------

std::wstring shellFolderName(int csidl) {
    const win::ComApartment com;
    win::UniquePidl pidl;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, pidl.put()))) return {};
    SHFILEINFOW info{};
    if (!::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl.get()), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME)) {
        return {};
    }
    return info.szDisplayName;
}

namespace {

constexpr int kShellIconSize = 32;

Pixels shellIcon(LPCWSTR pathOrPidl, UINT flags, COLORREF background) {
    SHFILEINFOW info{};
    const auto list = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoW(pathOrPidl, 0, &info, sizeof info, flags | SHGFI_SYSICONINDEX | SHGFI_LARGEICON));
    if (!list) return {};
    return drawn(kShellIconSize, kShellIconSize, [&](HDC dc) {
        const win::UniqueBrush brush(::CreateSolidBrush(background));
        const RECT all{0, 0, kShellIconSize, kShellIconSize};
        ::FillRect(dc, &all, brush.get());
        if (!::ImageList_Draw(list, info.iIcon, dc, 0, 0, ILD_NORMAL)) fail("cannot draw a shell icon");
    });
}

}  // namespace

Pixels shellFolderIcon(int csidl, COLORREF background) {
    const win::ComApartment com;
    win::UniquePidl pidl;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, pidl.put()))) return {};
    return shellIcon(reinterpret_cast<LPCWSTR>(pidl.get()), SHGFI_PIDL, background);
}

Pixels shellPathIcon(std::wstring_view path, COLORREF background) {
    const win::ComApartment com;
    return shellIcon(std::wstring(path).c_str(), 0, background);
}

std::wstring shellPathName(std::wstring_view path) {
    const win::ComApartment com;
    SHFILEINFOW info{};
    if (!::SHGetFileInfoW(std::wstring(path).c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME)) return {};
    return info.szDisplayName;
}

void selectFolderInBrowser(HWND browser, std::wstring_view path) {
    const std::wstring terminated(path);
    const RemoteBuffer buffer(browser, (terminated.size() + 1) * sizeof(wchar_t));
    buffer.write(0, terminated.c_str(), (terminated.size() + 1) * sizeof(wchar_t));
    ask(browser, BFFM_SETSELECTIONW, TRUE, buffer.param());
    settle(browser);
}

// ---- Registry -----------------------------------------------------------------------------------

RegValue RegValue::dword(std::uint32_t number) {
    RegValue value{REG_DWORD, std::vector<BYTE>(sizeof number)};
    std::memcpy(value.data.data(), &number, sizeof number);
    return value;
}

RegValue RegValue::string(std::wstring_view textValue) {
    const std::wstring terminated(textValue);
    const auto* bytes = reinterpret_cast<const BYTE*>(terminated.c_str());
    return RegValue{REG_SZ, std::vector<BYTE>(bytes, bytes + (terminated.size() + 1) * sizeof(wchar_t))};
}

RegValue RegValue::raw(DWORD type, std::vector<BYTE> bytes) { return RegValue{type, std::move(bytes)}; }

void PrintTo(const RegValue& value, std::ostream* os) {
    switch (value.type) {
    case REG_DWORD:
        *os << "REG_DWORD";
        break;
    case REG_SZ:
        *os << "REG_SZ";
        break;
    case REG_EXPAND_SZ:
        *os << "REG_EXPAND_SZ";
        break;
    default:
        *os << "type " << value.type;
        break;
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
        std::int32_t number = 0;
        std::memcpy(&number, value.data.data(), sizeof number);
        *os << ' ' << number;
    } else if ((value.type == REG_SZ || value.type == REG_EXPAND_SZ) && value.data.size() % 2 == 0) {
        *os << " \"";
        for (size_t i = 0; i < value.data.size(); i += 2) {
            const unsigned c = unsigned{value.data[i]} | (unsigned{value.data[i + 1]} << 8);
            if (c >= 0x20 && c < 0x7F) {
                *os << static_cast<char>(c);
            } else {
                *os << "\\u" << std::hex << std::setw(4) << std::setfill('0') << c << std::dec;
            }
        }
        *os << '"';
    }
    *os << " (" << value.data.size() << " bytes)";
}

namespace {

win::UniqueHKey openKey(std::wstring_view keyPath, REGSAM access) {
    win::UniqueHKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, std::wstring(keyPath).c_str(), 0, access, key.put()) != ERROR_SUCCESS) {
        return {};
    }
    return key;
}

win::UniqueHKey makeKey(std::wstring_view keyPath, DWORD options, REGSAM access) {
    win::UniqueHKey key;
    const LONG rc = ::RegCreateKeyExW(HKEY_CURRENT_USER, std::wstring(keyPath).c_str(), 0, nullptr, options, access,
                                      nullptr, key.put(), nullptr);
    if (rc != ERROR_SUCCESS) fail("cannot create key " + narrow(keyPath), static_cast<DWORD>(rc));
    return key;
}

}  // namespace

void writeValue(std::wstring_view keyPath, std::wstring_view name, const RegValue& value) {
    const auto key = makeKey(keyPath, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE);
    const LONG rc = ::RegSetValueExW(key.get(), std::wstring(name).c_str(), 0, value.type, value.data.data(),
                                     static_cast<DWORD>(value.data.size()));
    if (rc != ERROR_SUCCESS) fail("cannot write value " + narrow(name), static_cast<DWORD>(rc));
}

void createKey(std::wstring_view keyPath, DWORD options) { makeKey(keyPath, options, KEY_READ); }

void deleteKeyTree(std::wstring_view keyPath) {
    const LONG rc = ::RegDeleteTreeW(HKEY_CURRENT_USER, std::wstring(keyPath).c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) fail("cannot delete key " + narrow(keyPath), static_cast<DWORD>(rc));
}

bool keyExists(std::wstring_view keyPath) { return static_cast<bool>(openKey(keyPath, KEY_READ)); }

std::optional<RegValue> readValue(std::wstring_view keyPath, std::wstring_view name) {
    const auto key = openKey(keyPath, KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    const std::wstring valueName(name);
    RegValue value;
    DWORD size = 0;
    for (;;) {
        LONG rc = ::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &value.type, nullptr, &size);
        if (rc == ERROR_FILE_NOT_FOUND) return std::nullopt;
        if (rc != ERROR_SUCCESS) fail("cannot read value " + narrow(name), static_cast<DWORD>(rc));
        value.data.resize(size);
        rc = ::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &value.type, value.data.data(), &size);
        if (rc == ERROR_MORE_DATA) continue;  // it grew between the two queries
        if (rc != ERROR_SUCCESS) fail("cannot read value " + narrow(name), static_cast<DWORD>(rc));
        value.data.resize(size);
        return value;
    }
}

std::vector<std::wstring> valueNames(std::wstring_view keyPath) {
    std::vector<std::wstring> names;
    const auto key = openKey(keyPath, KEY_QUERY_VALUE);
    if (!key) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD length = static_cast<DWORD>(std::size(name));
        const LONG rc = ::RegEnumValueW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) return names;
        if (rc != ERROR_SUCCESS) fail("cannot list the values of " + narrow(keyPath), static_cast<DWORD>(rc));
        names.emplace_back(name, length);
    }
}

ScopedValue::ScopedValue(std::wstring keyPath, std::wstring name, const RegValue& value)
    : keyPath_(std::move(keyPath)), name_(std::move(name)), previous_(readValue(keyPath_, name_)) {
    writeValue(keyPath_, name_, value);
}

ScopedValue::ScopedValue(ScopedValue&& other) noexcept
    : keyPath_(std::move(other.keyPath_)), name_(std::move(other.name_)), previous_(std::move(other.previous_)),
      active_(std::exchange(other.active_, false)) {}

ScopedValue::~ScopedValue() {
    if (!active_) return;
    if (previous_) {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, keyPath_.c_str(), name_.c_str(), previous_->type, previous_->data.data(),
                          static_cast<DWORD>(previous_->data.size()));
    } else {
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, keyPath_.c_str(), name_.c_str());
    }
}

}  // namespace ql::e2e
