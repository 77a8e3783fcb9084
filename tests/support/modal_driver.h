#pragma once
// For Windows-side tests of modal windows: runs `act` on the dialog titled `title` once this
// process shows it, from a second thread, while the modal call under test runs on the test's thread.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace ql::testing {

class ModalDriver {
public:
    ModalDriver(std::wstring title, std::function<void(HWND)> act)
        : thread_([this, title = std::move(title), act = std::move(act)] {
              // Gives up after ten seconds: the test then fails on found().
              for (int i = 0; i < 400 && !done_; ++i) {
                  if (HWND w = ::FindWindowW(L"#32770", title.c_str()); w && ::IsWindowVisible(w)) {
                      // Before acting: the act may end the modal call, and the test reads found()
                      // as soon as that call returns.
                      found_ = true;
                      act(w);
                      return;
                  }
                  ::Sleep(25);
              }
          }) {}
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;
    ~ModalDriver() {
        done_ = true;
        thread_.join();
    }
    bool found() const { return found_; }

private:
    std::atomic<bool> done_{false};
    std::atomic<bool> found_{false};
    std::thread thread_;
};

}  // namespace ql::testing
