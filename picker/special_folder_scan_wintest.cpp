#include "picker/special_folder_scan_win32.h"

#include "shell/shell_ui_win32.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <atomic>
#include <vector>

namespace ql::picker {
namespace {

constexpr UINT kDone = WM_APP + 7;

// A window of the test's thread that the scan reports to.
class Notified {
public:
    Notified()
        : window_(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ::GetModuleHandleW(nullptr),
                                    nullptr)) {}
    HWND hwnd() const { return window_.get(); }

    // Waits, pumping, until the scan's message arrives; false when none comes within a minute.
    bool waitForDone() {
        for (int i = 0; i < 600; ++i) {
            if (takeDone()) return true;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE);
        }
        return false;
    }
    bool takeDone() {
        MSG msg{};
        return ::PeekMessageW(&msg, window_.get(), kDone, kDone, PM_REMOVE) != FALSE;
    }

private:
    win::UniqueWindow window_;
};

std::vector<SpecialFolder> askedOnThisThread() {
    std::vector<SpecialFolder> folders;
    for (int csidl = 0; csidl <= 49; ++csidl) {
        if (const auto shown = shellUI::getSpecialFolderDisplayInfo(csidl, nullptr)) folders.push_back({csidl, *shown});
    }
    return folders;
}

DWORD threadsOfThisProcess() {
    const win::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD count = 0;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
    }
    return count;
}

TEST(SpecialFolderScan, AsksTheShellOnAThreadWithItsOwnApartmentAndPostsOnceWhenEveryAnswerIsIn) {
    Notified notified;
    const DWORD testThread = ::GetCurrentThreadId();
    std::atomic<int> questions{0};
    std::atomic<bool> ownThreadAndApartment{true};
    {
        SpecialFolderScan scan([&](int csidl) {
            ++questions;
            // S_FALSE: this thread has its apartment already, a single-threaded one.
            const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            if (hr != S_FALSE || ::GetCurrentThreadId() == testThread) ownThreadAndApartment = false;
            if (SUCCEEDED(hr)) ::CoUninitialize();
            return SpecialFolderScan::askShell(csidl);
        });
        scan.reportTo(notified.hwnd(), kDone);
        ASSERT_TRUE(notified.waitForDone());
        EXPECT_EQ(scan.folders(), askedOnThisThread());
    }
    EXPECT_EQ(questions, 50);
    EXPECT_TRUE(ownThreadAndApartment);
    EXPECT_FALSE(notified.takeDone());  // once only
}

// The window to report to comes after the answers: the message is posted as it comes.
TEST(SpecialFolderScan, HandsOverNothingUntilTheLastAnswerAndThenTheFoldersInCsidlOrder) {
    Notified notified;
    const win::UniqueHandle gate(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    SpecialFolderScan scan([&](int csidl) -> std::optional<shellUI::DisplayInfo> {
        if (csidl == 49) ::WaitForSingleObject(gate.get(), INFINITE);
        if (csidl % 3 != 1) return std::nullopt;
        return shellUI::DisplayInfo{L"Folder " + std::to_wstring(csidl), csidl * 2};
    });
    EXPECT_FALSE(scan.finished());
    EXPECT_TRUE(scan.folders().empty());

    ::SetEvent(gate.get());
    for (int i = 0; i < 60000 && !scan.finished(); ++i) ::Sleep(1);
    ASSERT_TRUE(scan.finished());
    scan.reportTo(notified.hwnd(), kDone);
    EXPECT_TRUE(notified.takeDone());
    EXPECT_FALSE(notified.takeDone());
    std::vector<SpecialFolder> expected;
    for (int csidl = 1; csidl <= 49; csidl += 3) expected.push_back({csidl, {L"Folder " + std::to_wstring(csidl), csidl * 2}});
    EXPECT_EQ(scan.folders(), expected);
}

// A slow shell, 10 ms an answer: scans ended at once, while asking, and after the last answer.
TEST(SpecialFolderScan, EndedAtAnyPointItStopsAfterTheAnswerInHandAndLeavesNoThreadHandleOrMessageBehind) {
    Notified notified;
    std::atomic<int> questions{0};
    const auto slowShell = [&](int csidl) {
        ++questions;
        ::Sleep(10);
        return SpecialFolderScan::askShell(csidl);
    };
    { SpecialFolderScan warmUp(slowShell); }  // the shell's own one-time set-up
    const DWORD threads = threadsOfThisProcess();
    DWORD handles = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &handles);

    for (int round = 0; round < 3; ++round) {
        questions = 0;
        {
            SpecialFolderScan scan(slowShell);
            scan.reportTo(notified.hwnd(), kDone);
            for (int i = 0; round == 1 && i < 60000 && questions < 3; ++i) ::Sleep(1);
            if (round == 2) {
                ASSERT_TRUE(notified.waitForDone());
            }
        }
        EXPECT_FALSE(notified.takeDone()) << round;
        EXPECT_EQ(questions < 50, round < 2) << round;
    }
    EXPECT_EQ(threadsOfThisProcess(), threads);
    DWORD handlesAfter = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter);
    EXPECT_EQ(handlesAfter, handles);
}

}  // namespace
}  // namespace ql::picker
