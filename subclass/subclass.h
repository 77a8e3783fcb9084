#pragma once
// Per-message window subclassing: clients implementing ISubclass attach to single
// messages of single windows of this process; a dispatcher installed as the window's
// procedure offers each message to its clients in attachment order.
//
// All bookkeeping lives in the subclassed window's own property list, as pointer-sized
// values under ASCII names built from the handle H and message M, both written as
// signed 32-bit decimals:
//   H         the window procedure in place before the window was subclassed
//   CH        attachments on the window, over all messages and clients
//   H#MC      clients attached to message M (stays, at 0, after the last one leaves)
//   H#M#I     the client at 1-based position I: the address of its ISubclass
// The window itself is reached through a WindowHost: the Win32 one in the program
// (subclass_win32.h), a double of plain maps in the unit tests.
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace ql::subclass {

using WindowHandle = std::uintptr_t;
using Message = std::uint32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
// The address of a window procedure, opaque to the bookkeeping.
using WindowProcedure = std::uintptr_t;

// How a client wants the window's previous procedure to run for a message. Only the
// first client is asked about pre-processing and only the last about post-processing;
// any other value acts like mrConsume.
enum MsgResponseMode : std::int32_t { mrConsume = 0, mrPostProcess = 1, mrPreProcess = 2 };

// The callback interface of a client. Its identity is its address; the service keeps
// no ownership, so a client detaches every message before it goes away.
class ISubclass {
public:
    // Get/set how you will respond to a message.  Raised whenever a message is
    // encountered.  Call the CurrentMessage property to determine what message you are
    // currently responding to.
    virtual std::int32_t MsgResponse() = 0;
    // The service never writes the mode.
    virtual void MsgResponse(std::int32_t RHS) = 0;
    // Raised whenever a message you have subclassed is sent.
    virtual LResult WindowProc(WindowHandle hwnd, Message iMsg, WParam wParam, LParam lParam) = 0;

protected:
    virtual ~ISubclass() = default;
};

// The error codes the service raises; the error's number is the code OR 0x80040000.
enum SubclassErrorCode : std::int32_t {
    seSubclassFailed = 13081,
    seDuplicateClient = 13082,
    seInvalidWindow = 13083,
    seForeignWindow = 13084,
};

class SubclassError : public std::exception {
public:
    SubclassError(std::int32_t number, std::string source, std::string description);
    std::int32_t number() const noexcept { return number_; }
    const std::string& source() const noexcept { return source_; }
    const std::string& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    std::int32_t number_;
    std::string source_;
    std::string description_;
    std::string what_;
};

// What the service needs of the windowing system.
class WindowHost {
public:
    // Named pointer-sized values on a window; an absent property reads as 0.
    virtual std::uintptr_t getProp(WindowHandle hwnd, std::string_view name) = 0;
    virtual void setProp(WindowHandle hwnd, std::string_view name, std::uintptr_t value) = 0;
    virtual void removeProp(WindowHandle hwnd, std::string_view name) = 0;

    virtual bool isWindow(WindowHandle hwnd) = 0;
    // The process that owns the window; 0 when it cannot be told.
    virtual std::uint32_t windowProcessId(WindowHandle hwnd) = 0;
    virtual std::uint32_t currentProcessId() = 0;

    // Installs proc as the window's procedure and returns the one it replaced; 0 on failure.
    virtual WindowProcedure setWindowProc(WindowHandle hwnd, WindowProcedure proc) = 0;
    // The host's window procedure that forwards to subclassWindowProc below.
    virtual WindowProcedure dispatcher() = 0;
    virtual LResult callWindowProc(WindowProcedure proc, WindowHandle hwnd, Message iMsg, WParam wParam,
                                   LParam lParam) = 0;

    // The program's file name without folder and extension, UTF-8; names the source of errors.
    virtual std::string exeName() = 0;

protected:
    virtual ~WindowHost() = default;
};

// Puts a host in use. The program does this once at start; doing it again starts the
// service afresh (no message dispatched yet).
void setWindowHost(WindowHost* host);
WindowHost* windowHost();

// Raises seInvalidWindow, seForeignWindow, seSubclassFailed or seDuplicateClient, each
// before anything is stored.
void subclassAttach(ISubclass* iwp, WindowHandle hwnd, Message iMsg);
// Never raises. Detaching what is not attached changes nothing.
void subclassDetach(ISubclass* iwp, WindowHandle hwnd, Message iMsg);
// The dispatcher's body. The message goes to the clients attached when it arrives, in
// attachment order; for one that has left meanwhile the previous procedure answers, one
// that arrives meanwhile sees the next message. A client that throws from MsgResponse or
// WindowProc does not stop the dispatch: its mode counts as mrConsume, and for its result
// the message takes the previous procedure's (run for that purpose unless it already ran
// for this message).
LResult subclassWindowProc(WindowHandle hwnd, Message iMsg, WParam wParam, LParam lParam);
// Runs the previous procedure that the latest dispatch recorded, whichever window hwnd is:
// meaningful while a client is being called.
LResult CallOldWindowProc(WindowHandle hwnd, Message iMsg, WParam wParam, LParam lParam);
// The message of the latest dispatch, also after it returned; 0 before the first one.
Message CurrentMessage();
bool windowInThisProcess(WindowHandle hwnd);
// Codes up to 1000 are raised as they are, with no source or description.
[[noreturn]] void raiseSubclassError(std::int32_t code);

// The service's public face for clients.
class GSubclass {
public:
    // Start subclassing for a particular message.
    void AttachMessage(ISubclass* iwp, WindowHandle hwnd, Message iMsg) { subclassAttach(iwp, hwnd, iMsg); }
    // Stop subclassing for a particular message.
    void DetachMessage(ISubclass* iwp, WindowHandle hwnd, Message iMsg) { subclassDetach(iwp, hwnd, iMsg); }
    // Returns the message currently being worked on.  Only valid in the MsgResponse and
    // WindowProc items of your implemented interface.
    Message CurrentMessage() const { return subclass::CurrentMessage(); }
    // Calls the window procedure for this handle which was installed before you added the subclass.
    LResult CallOldWindowProc(WindowHandle hwnd, Message iMsg, WParam wParam, LParam lParam) {
        return subclass::CallOldWindowProc(hwnd, iMsg, wParam, lParam);
    }
};

}  // namespace ql::subclass
