#include "picker/special_folder_scan_win32.h"

#include "picker/picker_texts.h"
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

// The entries and icons as the shell gives them on this thread.
std::vector<ScannedFolder> askedOnThisThread() {
    std::vector<ScannedFolder> folders;
    for (int csidl = 0; csidl <= 49; ++csidl) {
        if (auto name = shellUI::getSpecialFolderDisplayName(csidl)) folders.push_back({csidl, {}, *name});
    }
    for (const shellUI::KnownFolder& known : shellUI::knownFoldersWithoutCsidl()) {
        folders.push_back({-1, known.path, shellUI::getPathDisplayName(known.path)});
    }
    // Special folders whose name another has too come with their path.
    std::vector<std::u16string> names;
    for (const ScannedFolder& folder : folders) names.push_back(std::u16string(folder.displayName.begin(), folder.displayName.end()));
    const std::vector<bool> shared = sharedNames(names);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (shared[i] && folders[i].csidl >= 0) folders[i].path = shellUI::getSpecialFolderPath(folders[i].csidl, nullptr);
    }
    return folders;
}

std::vector<shellUI::KnownFolder> noKnownFolders() { return {}; }

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

TEST(SpecialFolderScan, AsksTheShellOnAThreadWithItsOwnApartmentNamesFirstThenIconsWhenAsked) {
    Notified notified;
    const DWORD testThread = ::GetCurrentThreadId();
    std::atomic<int> questions{0};
    std::atomic<bool> ownThreadAndApartment{true};
    {
        SpecialFolderScan scan(
            [&](int csidl) {
                ++questions;
                // S_FALSE: this thread has its apartment already, a single-threaded one.
                const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
                if (hr != S_FALSE || ::GetCurrentThreadId() == testThread) ownThreadAndApartment = false;
                if (SUCCEEDED(hr)) ::CoUninitialize();
                return SpecialFolderScan::askShellName(csidl);
            },
            shellUI::knownFoldersWithoutCsidl, SpecialFolderScan::askShellIcon);
        scan.reportTo(notified.hwnd(), kDone);
        ASSERT_TRUE(notified.waitForDone());
        ASSERT_TRUE(scan.namesFinished());
        scan.startIcons();
        while (!scan.iconsFinished()) ASSERT_TRUE(notified.waitForDone());
        const std::vector<ScannedFolder> expected = askedOnThisThread();
        EXPECT_EQ(scan.folders(), expected);
        std::vector<int> icons;
        for (const ScannedFolder& folder : expected) icons.push_back(SpecialFolderScan::askShellIcon(folder));
        EXPECT_EQ(scan.icons(), icons);
        EXPECT_EQ(scan.folders().front().displayName, L"Desktop");
    }
    EXPECT_EQ(questions, 50);
    EXPECT_TRUE(ownThreadAndApartment);
    EXPECT_FALSE(notified.takeDone());  // nothing after the icons
}

// The window to report to comes after the answers: each stage is announced once, as it comes.
TEST(SpecialFolderScan, HandsOverNoNamesUntilTheLastAndNoIconsUntilTheLast) {
    Notified notified;
    const win::UniqueHandle namesGate(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const win::UniqueHandle iconsGate(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    SpecialFolderScan scan(
        [&](int csidl) -> std::optional<std::wstring> {
            if (csidl == 49) ::WaitForSingleObject(namesGate.get(), INFINITE);
            if (csidl % 3 != 1) return std::nullopt;
            return L"Folder " + std::to_wstring(csidl);
        },
        [] { return std::vector<shellUI::KnownFolder>{{L"Downloads", L"C:\\no\\such\\Downloads"}}; },
        [&](const ScannedFolder& folder) {
            ::WaitForSingleObject(iconsGate.get(), INFINITE);
            return folder.csidl * 2;
        });
    EXPECT_FALSE(scan.namesFinished());
    EXPECT_TRUE(scan.folders().empty());

    ::SetEvent(namesGate.get());
    for (int i = 0; i < 60000 && !scan.namesFinished(); ++i) ::Sleep(1);
    ASSERT_TRUE(scan.namesFinished());
    scan.reportTo(notified.hwnd(), kDone);
    EXPECT_TRUE(notified.takeDone());
    EXPECT_FALSE(notified.takeDone());
    std::vector<ScannedFolder> expected;
    std::vector<int> icons;
    for (int csidl = 1; csidl <= 49; csidl += 3) {
        expected.push_back({csidl, {}, L"Folder " + std::to_wstring(csidl)});
        icons.push_back(csidl * 2);
    }
    // A known folder the shell has no name for is shown by its own name.
    expected.push_back({-1, L"C:\\no\\such\\Downloads", L"Downloads"});
    icons.push_back(-2);
    EXPECT_EQ(scan.folders(), expected);
    EXPECT_FALSE(scan.iconsFinished());
    EXPECT_TRUE(scan.icons().empty());

    scan.startIcons();
    ::SetEvent(iconsGate.get());
    ASSERT_TRUE(notified.waitForDone());
    EXPECT_TRUE(scan.iconsFinished());
    EXPECT_EQ(scan.icons(), icons);
    EXPECT_FALSE(notified.takeDone());
}

// A slow shell, 10 ms an answer: scans ended at once, while asking names, while asking icons, after
// the last answer, and with the names in and the icons never asked for.
TEST(SpecialFolderScan, EndedAtAnyPointItStopsAfterTheAnswerInHandAndLeavesNoThreadHandleOrMessageBehind) {
    Notified notified;
    std::atomic<int> questions{0};
    std::atomic<int> iconQuestions{0};
    const auto slowShell = [&](int csidl) {
        ++questions;
        ::Sleep(10);
        return SpecialFolderScan::askShellName(csidl);
    };
    const auto slowIcons = [&](const ScannedFolder& folder) {
        ++iconQuestions;
        ::Sleep(10);
        return SpecialFolderScan::askShellIcon(folder);
    };
    { SpecialFolderScan warmUp(slowShell, noKnownFolders, slowIcons); }  // the shell's own one-time set-up
    const DWORD threads = threadsOfThisProcess();
    DWORD handles = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &handles);

    for (int round = 0; round < 5; ++round) {
        questions = 0;
        iconQuestions = 0;
        {
            SpecialFolderScan scan(slowShell, noKnownFolders, slowIcons);
            scan.reportTo(notified.hwnd(), kDone);
            for (int i = 0; round == 1 && i < 60000 && questions < 3; ++i) ::Sleep(1);
            while (round >= 2 && !scan.namesFinished()) ASSERT_TRUE(notified.waitForDone());
            if (round == 2 || round == 3) scan.startIcons();
            for (int i = 0; round == 2 && i < 60000 && iconQuestions < 3; ++i) ::Sleep(1);
            while (round == 3 && !scan.iconsFinished()) ASSERT_TRUE(notified.waitForDone());
        }
        if (round < 2) {
            EXPECT_FALSE(notified.takeDone()) << round;  // no stage was over
        }
        while (notified.takeDone()) {
        }
        EXPECT_EQ(questions < 50, round < 2) << round;
        EXPECT_EQ(iconQuestions == 0, round < 2 || round == 4) << round;
    }
    EXPECT_EQ(threadsOfThisProcess(), threads);
    DWORD handlesAfter = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter);
    EXPECT_EQ(handlesAfter, handles);
}

}  // namespace
}  // namespace ql::picker
