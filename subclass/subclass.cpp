#include "subclass/subclass.h"

#include <stdexcept>
#include <utility>
#include <vector>

namespace ql::subclass {

namespace {

// The service's only own state: the message being dispatched and the procedure it
// replaced, process-wide and left as they are after the dispatch.
struct Dispatch {
    WindowHost* host = nullptr;
    Message lCurrentMessage = 0;
    WindowProcedure lCurrentOldProc = 0;
};
Dispatch state;

WindowHost& host() {
    if (!state.host) throw std::logic_error("no window host in use for subclassing");
    return *state.host;
}

// Handles and message numbers appear in property names as signed 32-bit decimals,
// whatever the width of the handle.
std::string decimal(std::uint64_t value) {
    return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

std::uintptr_t address(ISubclass* client) { return reinterpret_cast<std::uintptr_t>(client); }

// The names of one (window, message) pair's properties.
class Names {
public:
    Names(WindowHandle hwnd, Message iMsg) : window_(decimal(hwnd)), message_(window_ + "#" + decimal(iMsg)) {}
    const std::string& previousProc() const { return window_; }
    std::string windowCount() const { return "C" + window_; }
    std::string messageCount() const { return message_ + "C"; }
    std::string entry(std::intptr_t position) const { return message_ + "#" + std::to_string(position); }

private:
    std::string window_;
    std::string message_;
};

// Counts are stored as pointer-sized values; they are read signed so that a count that
// was never stored, or is damaged, reads as no attachment at all.
std::intptr_t readCount(WindowHandle hwnd, std::string_view name) {
    const auto count = static_cast<std::intptr_t>(host().getProp(hwnd, name));
    return count > 0 ? count : 0;
}

void storeCount(WindowHandle hwnd, std::string_view name, std::intptr_t count) {
    host().setProp(hwnd, name, static_cast<std::uintptr_t>(count));
}

// A client that fails to say how it responds gets the default.
std::int32_t responseOf(ISubclass& client) noexcept {
    try {
        return client.MsgResponse();
    } catch (...) {
        return mrConsume;
    }
}

std::string descriptionOf(std::int32_t code) {
    switch (code) {
    case seSubclassFailed: return "Can't subclass window";
    case seDuplicateClient: return "Message already handled by another class";
    case seInvalidWindow: return "Invalid window";
    case seForeignWindow: return "Can't modify external window";
    default: return {};
    }
}

}  // namespace

SubclassError::SubclassError(std::int32_t number, std::string source, std::string description)
    : number_(number),
      source_(std::move(source)),
      description_(std::move(description)),
      what_(description_.empty() ? "error " + std::to_string(number_) : description_) {}

void setWindowHost(WindowHost* host) { state = Dispatch{host}; }

WindowHost* windowHost() { return state.host; }

void subclassAttach(ISubclass* iwp, WindowHandle hwnd, Message iMsg) {
    if (!iwp) throw std::invalid_argument("no client to attach");
    WindowHost& h = host();
    if (!h.isWindow(hwnd)) raiseSubclassError(seInvalidWindow);
    if (!windowInThisProcess(hwnd)) raiseSubclassError(seForeignWindow);

    const Names names(hwnd, iMsg);
    const std::intptr_t clients = readCount(hwnd, names.messageCount());
    for (std::intptr_t i = 1; i <= clients; ++i) {
        if (h.getProp(hwnd, names.entry(i)) == address(iwp)) raiseSubclassError(seDuplicateClient);
    }

    std::intptr_t attachments = readCount(hwnd, names.windowCount());
    if (attachments == 0) {
        const WindowProcedure previous = h.setWindowProc(hwnd, h.dispatcher());
        if (previous == 0) raiseSubclassError(seSubclassFailed);
        h.setProp(hwnd, names.previousProc(), previous);
    }
    storeCount(hwnd, names.windowCount(), attachments + 1);

    storeCount(hwnd, names.messageCount(), clients + 1);
    h.setProp(hwnd, names.entry(clients + 1), address(iwp));
}

void subclassDetach(ISubclass* iwp, WindowHandle hwnd, Message iMsg) {
    if (!iwp) return;
    WindowHost& h = host();
    const Names names(hwnd, iMsg);

    // Only a client that is actually attached is taken off: every count keeps matching
    // the entries present, and the window procedure is restored exactly once.
    const std::intptr_t clients = readCount(hwnd, names.messageCount());
    std::intptr_t found = 0;
    for (std::intptr_t i = 1; i <= clients && found == 0; ++i) {
        if (h.getProp(hwnd, names.entry(i)) == address(iwp)) found = i;
    }
    if (found == 0) return;

    for (std::intptr_t j = found + 1; j <= clients; ++j) {
        h.setProp(hwnd, names.entry(j - 1), h.getProp(hwnd, names.entry(j)));
    }
    h.removeProp(hwnd, names.entry(clients));
    storeCount(hwnd, names.messageCount(), clients - 1);

    const std::intptr_t attachments = readCount(hwnd, names.windowCount());
    if (attachments <= 1) {
        const WindowProcedure previous = h.getProp(hwnd, names.previousProc());
        if (previous != 0) h.setWindowProc(hwnd, previous);
        h.removeProp(hwnd, names.previousProc());
        h.removeProp(hwnd, names.windowCount());
    } else {
        storeCount(hwnd, names.windowCount(), attachments - 1);
    }
}

LResult subclassWindowProc(WindowHandle hwnd, Message iMsg, WParam wParam, LParam lParam) {
    WindowHost& h = host();
    const Names names(hwnd, iMsg);
    const WindowProcedure previous = h.getProp(hwnd, names.previousProc());
    const auto callPrevious = [&] { return h.callWindowProc(previous, hwnd, iMsg, wParam, lParam); };

    // The clients are those attached when the message arrives. A detachment during the
    // dispatch shifts the later entries down, so positions are read now, not as the loop
    // goes, lest the client after one that detached itself miss the message.
    std::vector<std::uintptr_t> clients;
    for (std::intptr_t i = 1, count = readCount(hwnd, names.messageCount()); i <= count; ++i) {
        clients.push_back(h.getProp(hwnd, names.entry(i)));
    }
    if (clients.empty()) return callPrevious();
    const auto stillAttached = [&](std::uintptr_t client) {
        const std::intptr_t count = readCount(hwnd, names.messageCount());
        for (std::intptr_t i = 1; i <= count; ++i) {
            if (h.getProp(hwnd, names.entry(i)) == client) return true;
        }
        return false;
    };

    bool called = false;
    LResult previousResult = 0;
    const auto callPreviousOnce = [&] {
        if (!called) {
            previousResult = callPrevious();
            called = true;
        }
        return previousResult;
    };

    LResult result = 0;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        if (clients[i] == 0 || !stillAttached(clients[i])) {
            // The client left during this dispatch: the window answers in its place.
            result = callPrevious();
            continue;
        }
        ISubclass& client = *reinterpret_cast<ISubclass*>(clients[i]);
        state.lCurrentOldProc = previous;
        state.lCurrentMessage = iMsg;
        if (i == 0 && responseOf(client) == mrPreProcess) callPreviousOnce();
        try {
            result = client.WindowProc(hwnd, iMsg, wParam, lParam);
        } catch (...) {
            // A failed client has not handled the message; the window does.
            result = callPreviousOnce();
        }
        if (i + 1 == clients.size() && responseOf(client) == mrPostProcess && !called) result = callPreviousOnce();
    }
    return result;
}

LResult CallOldWindowProc(WindowHandle hwnd, Message iMsg, WParam wParam, LParam lParam) {
    return host().callWindowProc(state.lCurrentOldProc, hwnd, iMsg, wParam, lParam);
}

Message CurrentMessage() { return state.lCurrentMessage; }

bool windowInThisProcess(WindowHandle hwnd) {
    WindowHost& h = host();
    return h.windowProcessId(hwnd) == h.currentProcessId();
}

void raiseSubclassError(std::int32_t code) {
    if (code <= 1000) throw SubclassError(code, {}, {});
    const auto number = static_cast<std::int32_t>(static_cast<std::uint32_t>(code) | 0x80040000u);
    throw SubclassError(number, host().exeName() + ".WindowProc", descriptionOf(code));
}

}  // namespace ql::subclass
