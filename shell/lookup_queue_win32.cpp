#include "shell/lookup_queue_win32.h"

#include <process.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace ql::shellUI {

class Replies::Box {
public:
    void open(HWND window, UINT message) {
        const std::lock_guard lock(mutex_);
        window_ = window;
        message_ = message;
        if (!replies_.empty()) ::PostMessageW(window_, message_, 0, 0);
    }
    void close() {
        std::vector<Reply> dropped;
        {
            const std::lock_guard lock(mutex_);
            closed_ = true;
            window_ = nullptr;
            dropped.swap(replies_);
        }
    }
    void send(Reply reply) {
        const std::lock_guard lock(mutex_);
        if (closed_) return;
        replies_.push_back(std::move(reply));
        if (window_) ::PostMessageW(window_, message_, 0, 0);
    }
    std::vector<Reply> take() {
        const std::lock_guard lock(mutex_);
        return std::exchange(replies_, {});
    }

private:
    std::mutex mutex_;
    HWND window_ = nullptr;
    UINT message_ = 0;
    bool closed_ = false;
    std::vector<Reply> replies_;
};

Replies::Replies() : box_(std::make_shared<Box>()) {}

Replies::~Replies() { box_->close(); }

void Replies::open(HWND window, UINT message) { box_->open(window, message); }

void Replies::close() {
    box_->close();
    box_ = std::make_shared<Box>();
}

void Replies::deliver() {
    // Taken first: an answer may ask again, or close this box.
    for (Reply& reply : box_->take()) reply();
}

struct LookupQueue::State {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> jobs;
    int idle = 0;                                // workers waiting for a job, or starting
    std::chrono::steady_clock::time_point lastStart;  // of the job a worker took last
    int workers = 0;                             // kept waiting for jobs
    std::chrono::milliseconds stuckAfter;
    bool stopping = false;
};

LookupQueue::LookupQueue(int workers, unsigned long stuckAfterMs) : state_(std::make_shared<State>()) {
    state_->workers = workers;
    state_->stuckAfter = std::chrono::milliseconds(stuckAfterMs);
    // The overseer holds a reference of its own, released as it ends.
    auto* overseerState = new std::shared_ptr<State>(state_);
    overseer_.reset(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &overseerMain, overseerState, 0, nullptr)));
    if (!overseer_) delete overseerState;
    const std::lock_guard lock(state_->mutex);
    for (int i = 0; i < workers; ++i) startWorker(state_);
}

LookupQueue::~LookupQueue() {
    std::deque<Job> dropped;
    {
        const std::lock_guard lock(state_->mutex);
        state_->stopping = true;
        dropped.swap(state_->jobs);
    }
    state_->changed.notify_all();
    // The overseer never touches the file system: it ends at once.
    if (overseer_) ::WaitForSingleObject(overseer_.get(), INFINITE);
}

void LookupQueue::post(Job job) {
    {
        const std::lock_guard lock(state_->mutex);
        state_->jobs.push_back(std::move(job));
    }
    state_->changed.notify_all();
}

void LookupQueue::send(Replies::Box& box, Replies::Reply reply) { box.send(std::move(reply)); }

// With the state's lock held.
bool LookupQueue::startWorker(const std::shared_ptr<State>& state) {
    auto* workerState = new std::shared_ptr<State>(state);
    // _beginthreadex rather than CreateThread: the jobs allocate through the C runtime. Never
    // joined: its handle goes at once.
    const auto thread = ::_beginthreadex(nullptr, 0, &workerMain, workerState, 0, nullptr);
    if (!thread) {
        delete workerState;
        return false;
    }
    ::CloseHandle(reinterpret_cast<HANDLE>(thread));
    ++state->idle;
    return true;
}

unsigned __stdcall LookupQueue::workerMain(void* param) {
    const std::shared_ptr<State> state = std::move(*static_cast<std::shared_ptr<State>*>(param));
    delete static_cast<std::shared_ptr<State>*>(param);
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return state->stopping || !state->jobs.empty(); });
        --state->idle;
        if (state->stopping) return 0;
        Job job = std::move(state->jobs.front());
        state->jobs.pop_front();
        state->lastStart = std::chrono::steady_clock::now();
        lock.unlock();
        state->changed.notify_all();  // the overseer watches the jobs that wait behind this one
        try {
            // The shell's folder objects live in an apartment: this thread's own, entered for each job
            // and left before the worker waits for the next, since a single-threaded apartment that
            // pumps no messages would hold up whoever sends it one.
            const win::ComApartment com;
            job();
        } catch (...) {
            // A job that fails answers nothing; the window shows what it knew.
        }
        job = nullptr;  // what it holds goes before the next one starts
        lock.lock();
        // A worker that comes back from a long job while enough others wait ends.
        if (state->idle >= state->workers && state->jobs.empty()) return 0;
        ++state->idle;
    }
}

// Starts a fresh worker whenever jobs wait and every worker has been inside its job for the
// queue's stuckAfter.
unsigned __stdcall LookupQueue::overseerMain(void* param) {
    const std::shared_ptr<State> state = std::move(*static_cast<std::shared_ptr<State>*>(param));
    delete static_cast<std::shared_ptr<State>*>(param);
    const auto stuckAfter = state->stuckAfter;
    std::unique_lock lock(state->mutex);
    while (!state->stopping) {
        if (state->jobs.empty() || state->idle > 0) {
            state->changed.wait(lock);
            continue;
        }
        const auto stuckAt = state->lastStart + stuckAfter;
        if (std::chrono::steady_clock::now() < stuckAt) {
            state->changed.wait_until(lock, stuckAt);
        } else if (!startWorker(state)) {
            state->changed.wait_for(lock, std::chrono::milliseconds(LookupQueue::kStuckAfterMs));  // tried again later
        }
    }
    return 0;
}

}  // namespace ql::shellUI
