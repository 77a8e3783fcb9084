#include "subclass/subclass_win32.h"

#include "common/win_handles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ql::subclass {
namespace {

// Started with this switch, the executable plays another process that owns a window
// named by the switch's value, signals an event of the same name once the window exists
// and keeps it until the window is asked to close.
constexpr std::wstring_view kForeignSwitch = L"--foreign-window=";
constexpr wchar_t kForeignClass[] = L"QlSubclassForeignWindow";

LRESULT CALLBACK foreignWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam) {
    if (iMsg == WM_CLOSE) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hwnd, iMsg, wParam, lParam);
}

int runForeignWindow(const std::wstring& name) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = foreignWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kForeignClass;
    ::RegisterClassW(&wc);
    const win::UniqueWindow window(::CreateWindowExW(0, kForeignClass, name.c_str(), WS_OVERLAPPED, 0, 0, 100, 100,
                                                     nullptr, nullptr, wc.hInstance, nullptr));
    const win::UniqueHandle ready(::OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str()));
    if (!window || !ready) return 1;
    ::SetEvent(ready.get());
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}

[[maybe_unused]] const bool playsForeignProcess = [] {
    const std::wstring_view commandLine = ::GetCommandLineW();
    const auto at = commandLine.find(kForeignSwitch);
    if (at == std::wstring_view::npos) return false;
    std::wstring_view name = commandLine.substr(at + kForeignSwitch.size());
    name = name.substr(0, name.find(L' '));
    ::ExitProcess(static_cast<UINT>(runForeignWindow(std::wstring(name))));
}();

// Another instance of this executable with its window; closed and waited for on every path.
class ForeignProcess {
public:
    ForeignProcess() {
        const std::wstring name = L"QlSubclassForeign-" + std::to_wstring(::GetCurrentProcessId());
        ready_.reset(::CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
        std::wstring path(MAX_PATH * 4, L'\0');
        path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
        std::wstring commandLine = L"\"" + path + L"\" " + std::wstring(kForeignSwitch) + name;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            throw std::runtime_error("cannot start the second process");
        }
        process_.reset(pi.hProcess);
        win::UniqueHandle thread(pi.hThread);
        processId_ = pi.dwProcessId;
        const HANDLE waitFor[] = {ready_.get(), process_.get()};
        if (::WaitForMultipleObjects(2, waitFor, FALSE, 30000) != WAIT_OBJECT_0) {
            throw std::runtime_error("the second process did not make its window");
        }
        window_ = ::FindWindowW(kForeignClass, name.c_str());
    }
    ForeignProcess(const ForeignProcess&) = delete;
    ForeignProcess& operator=(const ForeignProcess&) = delete;
    ~ForeignProcess() {
        if (window_) ::PostMessageW(window_, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(process_.get(), 30000) != WAIT_OBJECT_0) ::TerminateProcess(process_.get(), 1);
    }

    HWND window() const { return window_; }
    DWORD processId() const { return processId_; }
    // Waits for the process to end after its window was asked to close; its exit code.
    DWORD close() {
        ::PostMessageW(std::exchange(window_, nullptr), WM_CLOSE, 0, 0);
        ::WaitForSingleObject(process_.get(), 30000);
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(process_.get(), &code);
        return code;
    }

private:
    win::UniqueHandle ready_;
    win::UniqueHandle process_;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

// ---- The windows under test -------------------------------------------------------------

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kPong = WM_APP + 2;
constexpr LRESULT kPlainAnswer = 1000;
constexpr LRESULT kOtherAnswer = 2000;

// Messages the windows' own procedures received, as "<class>:<message>".
std::vector<std::string> windowLog;

LRESULT answer(const char* who, LRESULT base, HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam) {
    if (iMsg == kPing || iMsg == kPong || iMsg == WM_DESTROY || iMsg == WM_NCDESTROY || iMsg == WM_SETTEXT) {
        windowLog.push_back(std::string(who) + ":" + std::to_string(iMsg));
    }
    if (iMsg >= WM_APP) return base + static_cast<LRESULT>(iMsg - WM_APP);
    return ::DefWindowProcW(hwnd, iMsg, wParam, lParam);
}

LRESULT CALLBACK plainWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam) {
    return answer("plain", kPlainAnswer, hwnd, iMsg, wParam, lParam);
}

LRESULT CALLBACK otherWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam) {
    return answer("other", kOtherAnswer, hwnd, iMsg, wParam, lParam);
}

win::UniqueWindow makeWindow(const wchar_t* className, WNDPROC proc) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    ::RegisterClassW(&wc);  // fails harmlessly once the class exists
    return win::UniqueWindow(::CreateWindowExW(0, className, L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                               nullptr, wc.hInstance, nullptr));
}

WNDPROC procedureOf(HWND hwnd) { return reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)); }

std::uintptr_t prop(HWND hwnd, const std::wstring& name) {
    return reinterpret_cast<std::uintptr_t>(::GetPropW(hwnd, name.c_str()));
}

std::wstring nameOf(HWND hwnd) {
    return std::to_wstring(static_cast<std::int32_t>(static_cast<std::uint32_t>(handleOf(hwnd))));
}

using PropertyList = std::map<std::wstring, std::uintptr_t>;

BOOL CALLBACK collectProp(HWND, LPWSTR name, HANDLE value, ULONG_PTR list) {
    if (!IS_INTRESOURCE(name)) (*reinterpret_cast<PropertyList*>(list))[name] = reinterpret_cast<std::uintptr_t>(value);
    return TRUE;
}

// Every property of a window, as EnumPropsEx lists them, but those in `systemOwn`
// (the system keeps some of its own on a window).
PropertyList allProps(HWND hwnd, const PropertyList& systemOwn = {}) {
    PropertyList props;
    ::EnumPropsExW(hwnd, collectProp, reinterpret_cast<LPARAM>(&props));
    for (const auto& [name, value] : systemOwn) props.erase(name);
    return props;
}

class Client final : public ISubclass {
public:
    explicit Client(std::int32_t mode = mrConsume, LRESULT result = 1) : mode_(mode), result_(result) {}
    std::int32_t MsgResponse() override {
        if (failResponse) throw std::runtime_error("no mode");
        return mode_;
    }
    void MsgResponse(std::int32_t RHS) override { mode_ = RHS; }
    LResult WindowProc(WindowHandle hwnd, Message iMsg, WParam wParam, LParam lParam) override {
        seen.push_back(iMsg);
        if (onWindowProc) onWindowProc(hwndOf(hwnd), iMsg, wParam, lParam);
        return result_;
    }

    std::function<void(HWND, UINT, WPARAM, LPARAM)> onWindowProc;
    std::vector<Message> seen;
    bool failResponse = false;

private:
    std::int32_t mode_;
    LRESULT result_;
};

class SubclassWin32Test : public ::testing::Test {
protected:
    SubclassWin32Test() {
        useWin32WindowHost();
        windowLog.clear();
    }

    win::UniqueWindow window = makeWindow(L"QlSubclassPlain", plainWindowProc);
    HWND hwnd = window.get();
    const PropertyList systemOwn = allProps(hwnd);
};

// ---- Bookkeeping on a real window ---------------------------------------------------------

TEST_F(SubclassWin32Test, AttachAndDetachKeepTheirBookkeepingInTheWindowsProperties) {
    ASSERT_TRUE(hwnd);
    const std::wstring H = nameOf(hwnd);
    Client a;
    Client b;

    subclassAttach(&a, hwnd, kPing);
    subclassAttach(&b, hwnd, kPing);
    subclassAttach(&a, hwnd, WM_DESTROY);

    EXPECT_EQ(procedureOf(hwnd), static_cast<WNDPROC>(&subclassWindowProc));
    const PropertyList expected{
        {H, reinterpret_cast<std::uintptr_t>(&plainWindowProc)},
        {L"C" + H, 3},
        {H + L"#32769C", 2},
        {H + L"#32769#1", reinterpret_cast<std::uintptr_t>(static_cast<ISubclass*>(&a))},
        {H + L"#32769#2", reinterpret_cast<std::uintptr_t>(static_cast<ISubclass*>(&b))},
        {H + L"#2C", 1},
        {H + L"#2#1", reinterpret_cast<std::uintptr_t>(static_cast<ISubclass*>(&a))},
    };
    EXPECT_EQ(allProps(hwnd, systemOwn), expected);
    EXPECT_EQ(prop(hwnd, H + L"#32769#2"), reinterpret_cast<std::uintptr_t>(static_cast<ISubclass*>(&b)));

    subclassDetach(&a, hwnd, kPing);
    EXPECT_EQ(prop(hwnd, H + L"#32769#1"), reinterpret_cast<std::uintptr_t>(static_cast<ISubclass*>(&b)));
    EXPECT_EQ(prop(hwnd, H + L"#32769#2"), 0u);
    EXPECT_EQ(prop(hwnd, L"C" + H), 2u);

    subclassDetach(&a, hwnd, kPing);  // no longer attached: nothing changes
    EXPECT_EQ(prop(hwnd, L"C" + H), 2u);
    EXPECT_EQ(prop(hwnd, H + L"#32769C"), 1u);

    subclassDetach(&b, hwnd, kPing);
    subclassDetach(&a, hwnd, WM_DESTROY);
    EXPECT_EQ(procedureOf(hwnd), &plainWindowProc);
    EXPECT_EQ(allProps(hwnd, systemOwn), (PropertyList{{H + L"#32769C", 0}, {H + L"#2C", 0}}));
    EXPECT_EQ(::SendMessageW(hwnd, kPing, 0, 0), kPlainAnswer + 1);
    EXPECT_TRUE(a.seen.empty());
}

TEST_F(SubclassWin32Test, ResponseModesDecideWhetherTheWindowsOwnProcedureRuns) {
    Client client(mrConsume, 7);
    subclassAttach(&client, hwnd, kPing);

    EXPECT_EQ(::SendMessageW(hwnd, kPing, 0, 0), 7);
    EXPECT_TRUE(windowLog.empty());

    client.MsgResponse(mrPostProcess);
    EXPECT_EQ(::SendMessageW(hwnd, kPing, 0, 0), kPlainAnswer + 1);

    client.MsgResponse(mrPreProcess);
    EXPECT_EQ(::SendMessageW(hwnd, kPing, 0, 0), 7);
    EXPECT_EQ(windowLog, (std::vector<std::string>{"plain:32769", "plain:32769"}));

    EXPECT_EQ(::SendMessageW(hwnd, kPong, 0, 0), kPlainAnswer + 2);  // not attached: straight through
    EXPECT_EQ(client.seen.size(), 3u);
    subclassDetach(&client, hwnd, kPing);
}

TEST_F(SubclassWin32Test, CallOldWindowProcReachesTheWindowsOwnProcedure) {
    Client client;
    LRESULT fromOld = 0;
    client.onWindowProc = [&](HWND target, UINT iMsg, WPARAM wParam, LPARAM lParam) {
        fromOld = CallOldWindowProc(target, iMsg, wParam, lParam);
    };
    subclassAttach(&client, hwnd, kPong);

    ::SendMessageW(hwnd, kPong, 0, 0);
    EXPECT_EQ(fromOld, kPlainAnswer + 2);
    EXPECT_EQ(GSubclass().CurrentMessage(), kPong);
    subclassDetach(&client, hwnd, kPong);
}

TEST_F(SubclassWin32Test, WithNothingDispatchedYetTheDefaultProcedureAnswers) {
    ::SetWindowTextW(hwnd, L"abc");
    setWindowHost(nullptr);
    useWin32WindowHost();

    EXPECT_EQ(CurrentMessage(), 0u);
    EXPECT_EQ(CallOldWindowProc(hwnd, WM_GETTEXTLENGTH, 0, 0), 3);
}

// ---- Refusals --------------------------------------------------------------------------

TEST_F(SubclassWin32Test, HandleThatIsNoWindowIsRefused) {
    win::UniqueWindow gone = makeWindow(L"QlSubclassPlain", plainWindowProc);
    const HWND stale = gone.get();
    gone.reset();
    ASSERT_FALSE(::IsWindow(stale));
    Client client;

    for (const HWND bad : {stale, static_cast<HWND>(nullptr)}) {
        try {
            subclassAttach(&client, bad, kPing);
            ADD_FAILURE() << "attached to a handle that is no window";
        } catch (const SubclassError& e) {
            EXPECT_EQ(e.number(), -2147208421);
            EXPECT_EQ(e.description(), "Invalid window");
            EXPECT_EQ(e.source(), "subclass_win_tests.WindowProc");
        }
    }
}

TEST_F(SubclassWin32Test, WindowOfAnotherProcessIsRefusedAndLeftAlone) {
    ForeignProcess other;
    const HWND foreign = other.window();
    ASSERT_TRUE(foreign);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(foreign, &owner);
    ASSERT_EQ(owner, other.processId());
    ASSERT_NE(owner, ::GetCurrentProcessId());
    EXPECT_FALSE(windowInThisProcess(handleOf(foreign)));
    EXPECT_TRUE(windowInThisProcess(handleOf(hwnd)));
    const LONG_PTR procedure = ::GetWindowLongPtrW(foreign, GWLP_WNDPROC);
    const PropertyList props = allProps(foreign);
    Client client;

    try {
        subclassAttach(&client, foreign, kPing);
        FAIL() << "attached to a window of another process";
    } catch (const SubclassError& e) {
        EXPECT_EQ(e.number(), -2147208420);
        EXPECT_EQ(e.description(), "Can't modify external window");
        EXPECT_EQ(e.source(), "subclass_win_tests.WindowProc");
    }
    EXPECT_EQ(allProps(foreign), props);
    EXPECT_EQ(::GetWindowLongPtrW(foreign, GWLP_WNDPROC), procedure);
    EXPECT_EQ(other.close(), 0u);
}

TEST_F(SubclassWin32Test, DuplicateIsRefusedOnARealWindow) {
    Client client;
    subclassAttach(&client, hwnd, kPing);
    const auto before = allProps(hwnd);
    try {
        subclassAttach(&client, hwnd, kPing);
        FAIL() << "a duplicate was accepted";
    } catch (const SubclassError& e) {
        EXPECT_EQ(e.number(), -2147208422);
        EXPECT_EQ(e.description(), "Message already handled by another class");
    }
    EXPECT_EQ(allProps(hwnd), before);
    EXPECT_EQ(procedureOf(hwnd), static_cast<WNDPROC>(&subclassWindowProc));
    subclassDetach(&client, hwnd, kPing);
}

// ---- Dispatch in a live window's life ---------------------------------------------------

TEST_F(SubclassWin32Test, NestedDispatchLeavesTheNestedMessageCurrent) {
    win::UniqueWindow otherWindow = makeWindow(L"QlSubclassOther", otherWindowProc);
    const HWND other = otherWindow.get();
    Client outer;
    Client inner;
    Message currentAfterNested = 0;
    LRESULT oldAfterNested = 0;
    LRESULT nestedResult = 0;
    outer.onWindowProc = [&](HWND target, UINT iMsg, WPARAM wParam, LPARAM lParam) {
        nestedResult = ::SendMessageW(other, kPong, 0, 0);
        currentAfterNested = CurrentMessage();
        oldAfterNested = CallOldWindowProc(target, iMsg, wParam, lParam);
    };
    subclassAttach(&outer, hwnd, kPing);
    subclassAttach(&inner, other, kPong);

    EXPECT_EQ(::SendMessageW(hwnd, kPing, 0, 0), 1);

    EXPECT_EQ(nestedResult, 1);
    EXPECT_EQ(inner.seen, (std::vector<Message>{kPong}));
    EXPECT_EQ(currentAfterNested, kPong);
    EXPECT_EQ(oldAfterNested, kOtherAnswer + 1);  // the nested window's own procedure, given kPing
    EXPECT_EQ(CurrentMessage(), kPong);
    subclassDetach(&outer, hwnd, kPing);
    subclassDetach(&inner, other, kPong);
}

TEST_F(SubclassWin32Test, ClientDetachingInItsOwnWindowProcOnDestroy) {
    const std::wstring H = nameOf(hwnd);
    Client client(mrPostProcess);
    WNDPROC procedureAfterDetach = nullptr;
    client.onWindowProc = [&](HWND target, UINT iMsg, WPARAM, LPARAM) {
        if (iMsg != WM_DESTROY) return;
        subclassDetach(&client, target, kPing);
        subclassDetach(&client, target, WM_DESTROY);
        procedureAfterDetach = procedureOf(target);
    };
    subclassAttach(&client, hwnd, kPing);
    subclassAttach(&client, hwnd, WM_DESTROY);

    window.reset();

    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(client.seen, (std::vector<Message>{WM_DESTROY}));
    EXPECT_EQ(procedureAfterDetach, &plainWindowProc);
    // The window's own procedure still got its destruction messages.
    EXPECT_EQ(windowLog, (std::vector<std::string>{"plain:2", "plain:130"}));
}

TEST_F(SubclassWin32Test, ThrowingClientDoesNotTakeTheProcessDown) {
    Client failing;
    failing.onWindowProc = [](HWND, UINT, WPARAM, LPARAM) { throw std::runtime_error("client failed"); };
    subclassAttach(&failing, hwnd, kPing);
    subclassAttach(&failing, hwnd, WM_SETTEXT);

    EXPECT_EQ(::SendMessageW(hwnd, kPing, 0, 0), kPlainAnswer + 1);  // the window answered instead
    EXPECT_TRUE(::SetWindowTextW(hwnd, L"still works"));
    wchar_t text[32] = {};
    ::GetWindowTextW(hwnd, text, 32);
    EXPECT_STREQ(text, L"still works");

    Client mute(mrPostProcess, 5);
    mute.failResponse = true;
    subclassAttach(&mute, hwnd, kPong);
    EXPECT_EQ(::SendMessageW(hwnd, kPong, 0, 0), 5);  // its mode counts as consuming

    EXPECT_EQ(failing.seen, (std::vector<Message>{kPing, WM_SETTEXT}));
    subclassDetach(&failing, hwnd, kPing);
    subclassDetach(&failing, hwnd, WM_SETTEXT);
    subclassDetach(&mute, hwnd, kPong);
    EXPECT_EQ(procedureOf(hwnd), &plainWindowProc);
}

TEST_F(SubclassWin32Test, BookkeepingFailureInsideTheDispatcherFallsBackToTheDefaultProcedure) {
    Client client;
    subclassAttach(&client, hwnd, WM_GETTEXTLENGTH);
    ::SetWindowTextW(hwnd, L"abcd");
    setWindowHost(nullptr);  // the dispatcher cannot reach its bookkeeping now

    EXPECT_EQ(::SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), 4);
    EXPECT_TRUE(client.seen.empty());

    subclassDetach(&client, hwnd, WM_GETTEXTLENGTH);
    EXPECT_EQ(procedureOf(hwnd), &plainWindowProc);
}

}  // namespace
}  // namespace ql::subclass
