#include "shell/lookup_queue_win32.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ql::shellUI {
namespace {

constexpr UINT kAnswered = WM_APP + 5;

// A shell that hangs as a gone server's share does, until the test releases it. Shared with the
// jobs, which may outlive the test.
struct StandInShell {
    win::UniqueHandle released{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::string lookUp(const std::string& path) {
        ::WaitForSingleObject(released.get(), INFINITE);
        return "name of " + path;
    }
};

// A window of the test's thread that answers come to.
struct Asker {
    win::UniqueWindow window{::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)};
    Replies replies;
    std::vector<std::string> answers;

    Asker() { replies.open(window.get(), kAnswered); }
    // Asks `work` of `queue`; its answer goes to `answers`, on this thread.
    template <class Work>
    void ask(LookupQueue& queue, Work work) {
        const DWORD thread = ::GetCurrentThreadId();
        queue.ask(replies, std::move(work), [this, thread](std::string answer) {
            answers.push_back(::GetCurrentThreadId() == thread ? answer : "on another thread");
        });
    }
    // Runs the thread's messages until `count` answers are in; false when a minute ends the wait.
    bool waitForAnswers(std::size_t count) {
        for (int i = 0; i < 600 && answers.size() < count; ++i) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE);
            MSG msg{};
            while (::PeekMessageW(&msg, window.get(), kAnswered, kAnswered, PM_REMOVE)) replies.deliver();
        }
        return answers.size() >= count;
    }
};

// Look-ups that hang hold the queue for kStuckAfterMs at most, however many workers they hold: the
// next goes to a fresh worker (in a COM apartment of its own, as every worker), and the hung ones
// still answer once the file system does, each on the asking thread.
TEST(LookupQueue, JobsStuckInTheFileSystemLeaveTheRestToAFreshWorker) {
    const auto shell = std::make_shared<StandInShell>();
    LookupQueue queue;
    Asker asker;
    for (int i = 0; i < LookupQueue::kWorkers; ++i) asker.ask(queue, [shell] { return shell->lookUp("Z:\\gone"); });
    asker.ask(queue, [] {
        // S_FALSE: the worker has its apartment already.
        const HRESULT again = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(again)) ::CoUninitialize();
        return std::string(again == S_FALSE ? "C:\\windows in an apartment" : "no apartment");
    });
    ASSERT_TRUE(asker.waitForAnswers(1));
    EXPECT_EQ(asker.answers, std::vector<std::string>{"C:\\windows in an apartment"});

    ::SetEvent(shell->released.get());
    ASSERT_TRUE(asker.waitForAnswers(3));
    EXPECT_EQ(asker.answers, (std::vector<std::string>{"C:\\windows in an apartment", "name of Z:\\gone", "name of Z:\\gone"}));
}

// A window that goes, and the queue itself at the program's end, wait for no hung look-up, and
// its answer is dropped.
TEST(LookupQueue, ClosingTheRepliesOrEndingTheQueueWaitsForNoHungJobAndDropsItsAnswer) {
    const auto shell = std::make_shared<StandInShell>();
    Asker asker;
    {
        LookupQueue queue;
        asker.ask(queue, [shell] { return shell->lookUp("Z:\\gone"); });
        asker.replies.close();
    }
    ::SetEvent(shell->released.get());
    asker.replies.open(asker.window.get(), kAnswered);
    LookupQueue another;
    asker.ask(another, [shell] { return shell->lookUp("C:\\windows"); });
    ASSERT_TRUE(asker.waitForAnswers(1));
    EXPECT_EQ(asker.answers, std::vector<std::string>{"name of C:\\windows"});
}

}  // namespace
}  // namespace ql::shellUI
