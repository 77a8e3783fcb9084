#pragma once
// The program's questions to the shell and the file system, asked off the windows' threads. A
// place may live on a share whose server is gone, and a look-up there does not fail: it hangs,
// for as long as the mount does. So every look-up is a job of this one queue, taken in order by
// its workers (threads each in a COM apartment of its own), and its answer comes back to the
// window that asked as plain data, on that window's thread. Two workers, so that one job that
// hangs does not hold up the next; when every worker has been inside its job for kStuckAfterMs,
// a fresh one takes the jobs that wait, and a stuck one ends whenever its job does. Nothing waits
// for a worker: not the windows, and not the queue's end.
#include "common/win_handles.h"

#include <functional>
#include <memory>
#include <utility>

namespace ql::shellUI {

// A window's box of answers: they wait in it until the window's thread takes them. Each answer
// posts `message` to the window; the window calls deliver() on it.
class Replies {
public:
    using Reply = std::function<void()>;

    Replies();
    Replies(const Replies&) = delete;
    Replies& operator=(const Replies&) = delete;
    // Answers that come after it are dropped.
    ~Replies();

    // Answers from now on are announced to `window` (those that came before it, at once).
    void open(HWND window, UINT message);
    // Drops the answers that came and every one still to come for the questions asked so far.
    void close();
    // Runs the answers that have come, in the order they came; on the window's thread.
    void deliver();

    class Box;
    std::shared_ptr<Box> box() const { return box_; }

private:
    std::shared_ptr<Box> box_;
};

class LookupQueue {
public:
    using Job = std::function<void()>;
    static constexpr unsigned long kStuckAfterMs = 2000;

    static constexpr int kWorkers = 2;

    // `workers`: how many wait for jobs; `stuckAfterMs`: how long they may all be inside jobs
    // before the jobs behind them go to a fresh worker (0: every job at once).
    explicit LookupQueue(int workers = kWorkers, unsigned long stuckAfterMs = kStuckAfterMs);
    LookupQueue(const LookupQueue&) = delete;
    LookupQueue& operator=(const LookupQueue&) = delete;
    // Drops the jobs not started; a worker inside one is left to end with it.
    ~LookupQueue();

    // Runs `job` on a worker after those posted before it.
    void post(Job job);

    // Runs `work` on a worker and hands its result to `done` on the thread of the window of `to`.
    // `done` never runs once `to` is closed or gone.
    template <class Work, class Done>
    void ask(Replies& to, Work work, Done done) {
        post([box = to.box(), work = std::move(work), done = std::move(done)]() mutable {
            send(*box, [result = work(), done = std::move(done)]() mutable { done(std::move(result)); });
        });
    }

private:
    struct State;
    static void send(Replies::Box& box, Replies::Reply reply);
    static unsigned __stdcall workerMain(void* state);
    static unsigned __stdcall overseerMain(void* state);
    static bool startWorker(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
    win::UniqueHandle overseer_;
};

}  // namespace ql::shellUI
