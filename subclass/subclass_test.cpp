#include "subclass/subclass.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace ql::subclass {
namespace {

using Properties = std::map<std::string, std::uintptr_t, std::less<>>;
using Log = std::vector<std::string>;

constexpr WindowProcedure kDispatcher = 0xD15;
constexpr std::uint32_t kThisProcess = 4242;

// Windows as plain maps: properties per handle, a procedure and an owning process per
// window, and procedures that record their calls in a shared log.
class FakeHost final : public WindowHost {
public:
    struct Window {
        std::uint32_t processId = kThisProcess;
        WindowProcedure proc = 0;
    };
    struct ProcCall {
        WindowProcedure proc;
        WindowHandle hwnd;
        Message iMsg;
        WParam wParam;
        LParam lParam;
    };

    explicit FakeHost(Log& log) : log_(log) {}

    // A window whose own procedure logs "<name>" and answers `answer`.
    void addWindow(WindowHandle hwnd, WindowProcedure proc, std::string name, LResult answer,
                   std::uint32_t processId = kThisProcess) {
        windows[hwnd] = {processId, proc};
        procedures[proc] = [this, name, answer](WindowHandle, Message, WParam, LParam) {
            log_.push_back(name);
            return answer;
        };
    }

    // Delivers a message as the system would: to whatever procedure the window has now.
    LResult send(WindowHandle hwnd, Message iMsg, WParam wParam = 0, LParam lParam = 0) {
        const WindowProcedure proc = windows.at(hwnd).proc;
        if (proc == kDispatcher) return subclassWindowProc(hwnd, iMsg, wParam, lParam);
        return procedures.at(proc)(hwnd, iMsg, wParam, lParam);
    }

    std::uintptr_t getProp(WindowHandle hwnd, std::string_view name) override {
        const auto window = props.find(hwnd);
        if (window == props.end()) return 0;
        const auto prop = window->second.find(name);
        return prop == window->second.end() ? 0 : prop->second;
    }
    void setProp(WindowHandle hwnd, std::string_view name, std::uintptr_t value) override {
        props[hwnd][std::string(name)] = value;
    }
    void removeProp(WindowHandle hwnd, std::string_view name) override {
        const auto window = props.find(hwnd);
        if (window == props.end()) return;
        const auto prop = window->second.find(name);
        if (prop != window->second.end()) window->second.erase(prop);
    }
    bool isWindow(WindowHandle hwnd) override { return windows.contains(hwnd); }
    std::uint32_t windowProcessId(WindowHandle hwnd) override {
        const auto window = windows.find(hwnd);
        return window == windows.end() ? 0 : window->second.processId;
    }
    std::uint32_t currentProcessId() override { return kThisProcess; }
    WindowProcedure setWindowProc(WindowHandle hwnd, WindowProcedure proc) override {
        ++setWindowProcCalls;
        if (failSetWindowProc) return 0;
        return std::exchange(windows.at(hwnd).proc, proc);
    }
    WindowProcedure dispatcher() override { return kDispatcher; }
    LResult callWindowProc(WindowProcedure proc, WindowHandle hwnd, Message iMsg, WParam wParam,
                           LParam lParam) override {
        procCalls.push_back({proc, hwnd, iMsg, wParam, lParam});
        const auto found = procedures.find(proc);
        return found == procedures.end() ? 0 : found->second(hwnd, iMsg, wParam, lParam);
    }
    std::string exeName() override { return "quorlane"; }

    std::map<WindowHandle, Properties> props;
    std::map<WindowHandle, Window> windows;
    std::map<WindowProcedure, std::function<LResult(WindowHandle, Message, WParam, LParam)>> procedures;
    std::vector<ProcCall> procCalls;
    int setWindowProcCalls = 0;
    bool failSetWindowProc = false;

private:
    Log& log_;
};

// A client that logs its calls as "<name>" (WindowProc) and "<name>?" (MsgResponse),
// answers the modes in `modes` one after another (the last one repeating) and returns
// `result` from WindowProc after running `onWindowProc`.
class Client final : public ISubclass {
public:
    Client(std::string name, Log& log, LResult result = 0) : name_(std::move(name)), log_(log), result_(result) {}

    std::int32_t MsgResponse() override {
        log_.push_back(name_ + "?");
        messagesSeenAsked.push_back(CurrentMessage());
        if (failResponse) throw std::runtime_error("no mode");
        const std::size_t i = asked++;
        return modes.at(i < modes.size() ? i : modes.size() - 1);
    }
    void MsgResponse(std::int32_t) override { ++writes; }
    LResult WindowProc(WindowHandle hwnd, Message iMsg, WParam wParam, LParam lParam) override {
        log_.push_back(name_);
        messagesSeen.push_back(CurrentMessage());
        if (onWindowProc) onWindowProc(hwnd, iMsg, wParam, lParam);
        return result_;
    }

    std::vector<std::int32_t> modes{mrConsume};
    std::function<void(WindowHandle, Message, WParam, LParam)> onWindowProc;
    bool failResponse = false;
    std::size_t asked = 0;
    int writes = 0;
    std::vector<Message> messagesSeen;
    std::vector<Message> messagesSeenAsked;

private:
    std::string name_;
    Log& log_;
    LResult result_;
};

std::uintptr_t addressOf(ISubclass& client) { return reinterpret_cast<std::uintptr_t>(&client); }

constexpr WindowHandle W = 1234;
constexpr WindowProcedure kOriginal = 0x5000;
constexpr LResult kOriginalAnswer = 77;
constexpr Message kDestroy = 2;

class SubclassTest : public ::testing::Test {
protected:
    SubclassTest() {
        host.addWindow(W, kOriginal, "W", kOriginalAnswer);
        setWindowHost(&host);
    }
    ~SubclassTest() override { setWindowHost(nullptr); }

    Log log;
    FakeHost host{log};
    Client A{"A", log, 10};
    Client B{"B", log, 20};
    Client C{"C", log, 30};
};

// ---- Attaching: what the window carries afterwards --------------------------------------

TEST_F(SubclassTest, FirstAttachmentInstallsTheDispatcherAndRecordsThePair) {
    subclassAttach(&A, W, 2);

    EXPECT_EQ(host.windows[W].proc, kDispatcher);
    EXPECT_EQ(host.props[W], (Properties{{"1234", kOriginal}, {"C1234", 1}, {"1234#2C", 1}, {"1234#2#1", addressOf(A)}}));
}

TEST_F(SubclassTest, SecondMessageOfTheWindowCountsWithoutReplacingTheProcedureAgain) {
    subclassAttach(&A, W, 2);
    subclassAttach(&A, W, 4099);

    EXPECT_EQ(host.setWindowProcCalls, 1);
    EXPECT_EQ(host.props[W], (Properties{{"1234", kOriginal},
                                         {"C1234", 2},
                                         {"1234#2C", 1},
                                         {"1234#2#1", addressOf(A)},
                                         {"1234#4099C", 1},
                                         {"1234#4099#1", addressOf(A)}}));
}

TEST_F(SubclassTest, NewClientsOfAMessageGoToTheEndOfItsList) {
    subclassAttach(&A, W, 2);
    subclassAttach(&B, W, 2);
    subclassAttach(&C, W, 2);

    EXPECT_EQ(host.props[W], (Properties{{"1234", kOriginal},
                                         {"C1234", 3},
                                         {"1234#2C", 3},
                                         {"1234#2#1", addressOf(A)},
                                         {"1234#2#2", addressOf(B)},
                                         {"1234#2#3", addressOf(C)}}));
}

TEST_F(SubclassTest, DuplicateAttachmentIsRefusedAndChangesNothing) {
    subclassAttach(&A, W, 2);
    subclassAttach(&B, W, 2);
    const Properties before = host.props[W];

    for (Client* client : {&A, &B}) {
        try {
            subclassAttach(client, W, 2);
            ADD_FAILURE() << "a duplicate was accepted";
        } catch (const SubclassError& e) {
            EXPECT_EQ(e.number(), static_cast<std::int32_t>(0x8004331Au));
            EXPECT_EQ(e.number(), -2147208422);
            EXPECT_EQ(e.description(), "Message already handled by another class");
            EXPECT_EQ(e.source(), "quorlane.WindowProc");
        }
    }
    EXPECT_EQ(host.props[W], before);
    EXPECT_EQ(host.windows[W].proc, kDispatcher);
    EXPECT_EQ(host.setWindowProcCalls, 1);
}

TEST_F(SubclassTest, HandleThatIsNoWindowIsRefusedBeforeAnythingIsStored) {
    constexpr WindowHandle notAWindow = 999;
    try {
        subclassAttach(&A, notAWindow, 2);
        FAIL() << "attached to a handle that is no window";
    } catch (const SubclassError& e) {
        EXPECT_EQ(e.number(), -2147208421);  // 0x8004331B
        EXPECT_EQ(e.description(), "Invalid window");
        EXPECT_EQ(e.source(), "quorlane.WindowProc");
    }
    EXPECT_TRUE(host.props[notAWindow].empty());
    EXPECT_EQ(host.setWindowProcCalls, 0);
}

TEST_F(SubclassTest, WindowOfAnotherProcessIsRefusedBeforeAnythingIsStored) {
    constexpr WindowHandle foreign = 5678;
    host.addWindow(foreign, 0x6000, "F", 0, kThisProcess + 1);
    EXPECT_FALSE(windowInThisProcess(foreign));
    EXPECT_TRUE(windowInThisProcess(W));
    try {
        subclassAttach(&A, foreign, 2);
        FAIL() << "attached to a window of another process";
    } catch (const SubclassError& e) {
        EXPECT_EQ(e.number(), -2147208420);  // 0x8004331C
        EXPECT_EQ(e.description(), "Can't modify external window");
        EXPECT_EQ(e.source(), "quorlane.WindowProc");
    }
    EXPECT_TRUE(host.props[foreign].empty());
    EXPECT_EQ(host.windows[foreign].proc, 0x6000u);
    EXPECT_EQ(host.setWindowProcCalls, 0);
}

TEST_F(SubclassTest, ProcedureThatCannotBeReplacedLeavesNoBookkeeping) {
    host.failSetWindowProc = true;
    try {
        subclassAttach(&A, W, 2);
        FAIL() << "attached although the procedure could not be replaced";
    } catch (const SubclassError& e) {
        EXPECT_EQ(e.number(), -2147208423);  // 0x80043319
        EXPECT_EQ(e.description(), "Can't subclass window");
        EXPECT_EQ(e.source(), "quorlane.WindowProc");
    }
    EXPECT_TRUE(host.props[W].empty());
    EXPECT_EQ(host.windows[W].proc, kOriginal);
}

TEST_F(SubclassTest, NoClientIsNoAttachment) {
    EXPECT_THROW(subclassAttach(nullptr, W, 2), std::invalid_argument);
    subclassDetach(nullptr, W, 2);
    EXPECT_TRUE(host.props[W].empty());
    EXPECT_EQ(host.setWindowProcCalls, 0);
}

TEST_F(SubclassTest, NamesCarryHandleAndMessageAsSigned32BitDecimalsAndValuesStayPointerSized) {
    constexpr WindowHandle high = 0x80000010u;
    constexpr WindowProcedure wideProc = ~std::uintptr_t{0} - 0x0F;
    host.addWindow(high, wideProc, "H", 0);
    subclassAttach(&A, high, 0x80000001u);

    EXPECT_EQ(host.props[high], (Properties{{"-2147483632", wideProc},
                                            {"C-2147483632", 1},
                                            {"-2147483632#-2147483647C", 1},
                                            {"-2147483632#-2147483647#1", addressOf(A)}}));
    subclassDetach(&A, high, 0x80000001u);
    EXPECT_EQ(host.windows[high].proc, wideProc);

    if constexpr (sizeof(WindowHandle) == 8) {
        // Only the low 32 bits of a handle are significant; the name keeps those.
        const auto wide = static_cast<WindowHandle>((std::uint64_t{1} << 32) | 1234u);
        host.addWindow(wide, 0x7000, "X", 0);
        subclassAttach(&A, wide, 2);
        EXPECT_EQ(host.props[wide].count("C1234"), 1u);
        EXPECT_EQ(host.props[wide]["1234#2#1"], addressOf(A));
    }
}

// ---- Detaching ------------------------------------------------------------------------

TEST_F(SubclassTest, DetachingTheMiddleOfThreeClientsClosesTheGap) {
    subclassAttach(&A, W, 2);
    subclassAttach(&B, W, 2);
    subclassAttach(&C, W, 2);

    subclassDetach(&B, W, 2);

    EXPECT_EQ(host.props[W], (Properties{{"1234", kOriginal},
                                         {"C1234", 2},
                                         {"1234#2C", 2},
                                         {"1234#2#1", addressOf(A)},
                                         {"1234#2#2", addressOf(C)}}));
    EXPECT_EQ(host.windows[W].proc, kDispatcher);
}

TEST_F(SubclassTest, LastDetachmentRestoresTheProcedureAndKeepsMessageCountsAtZero) {
    subclassAttach(&A, W, 2);
    subclassAttach(&A, W, 4099);

    subclassDetach(&A, W, 2);
    EXPECT_EQ(host.windows[W].proc, kDispatcher);
    EXPECT_EQ(host.props[W]["C1234"], 1u);

    subclassDetach(&A, W, 4099);
    EXPECT_EQ(host.windows[W].proc, kOriginal);
    EXPECT_EQ(host.props[W], (Properties{{"1234#2C", 0}, {"1234#4099C", 0}}));
}

TEST_F(SubclassTest, CountLeftAtZeroIsTreatedLikeAbsenceByTheNextAttachment) {
    subclassAttach(&A, W, 2);
    subclassDetach(&A, W, 2);

    subclassAttach(&B, W, 2);

    EXPECT_EQ(host.windows[W].proc, kDispatcher);
    EXPECT_EQ(host.setWindowProcCalls, 3);
    EXPECT_EQ(host.props[W], (Properties{{"1234", kOriginal}, {"C1234", 1}, {"1234#2C", 1}, {"1234#2#1", addressOf(B)}}));
}

TEST_F(SubclassTest, DetachingWhatIsNotAttachedChangesNothing) {
    subclassAttach(&A, W, 2);
    subclassAttach(&B, W, 2);
    const Properties before = host.props[W];

    subclassDetach(&C, W, 2);     // a client that never attached to the message
    subclassDetach(&A, W, 4099);  // a message the client never attached to
    subclassDetach(&A, W, 5);     // a message nobody attached to
    EXPECT_EQ(host.props[W], before);
    EXPECT_EQ(host.windows[W].proc, kDispatcher);
    EXPECT_EQ(host.setWindowProcCalls, 1);

    constexpr WindowHandle plain = 4321;  // a window that is not subclassed at all
    host.addWindow(plain, 0x6000, "P", 0);
    subclassDetach(&A, plain, 2);
    EXPECT_TRUE(host.props[plain].empty());
    EXPECT_EQ(host.windows[plain].proc, 0x6000u);
    EXPECT_EQ(host.setWindowProcCalls, 1);
}

TEST_F(SubclassTest, SecondDetachmentOfTheSamePairChangesNothing) {
    subclassAttach(&A, W, 2);
    subclassAttach(&B, W, 4099);
    subclassDetach(&A, W, 2);
    const Properties before = host.props[W];

    subclassDetach(&A, W, 2);
    EXPECT_EQ(host.props[W], before);
    EXPECT_EQ(host.props[W]["C1234"], 1u);  // B still counts: the window stays subclassed
    EXPECT_EQ(host.windows[W].proc, kDispatcher);

    subclassDetach(&B, W, 4099);
    subclassDetach(&B, W, 4099);
    EXPECT_EQ(host.windows[W].proc, kOriginal);
    EXPECT_EQ(host.props[W], (Properties{{"1234#2C", 0}, {"1234#4099C", 0}}));
    EXPECT_EQ(host.setWindowProcCalls, 2);
}

// ---- Dispatching: response modes --------------------------------------------------------

TEST_F(SubclassTest, MessageWithoutClientsGoesStraightToThePreviousProcedure) {
    subclassAttach(&A, W, 2);
    EXPECT_EQ(host.send(W, 15), kOriginalAnswer);  // count absent

    subclassAttach(&B, W, 4099);
    subclassDetach(&A, W, 2);
    EXPECT_EQ(host.props[W]["1234#2C"], 0u);
    EXPECT_EQ(host.send(W, 2), kOriginalAnswer);  // count at 0

    EXPECT_EQ(log, (Log{"W", "W"}));
    EXPECT_EQ(CurrentMessage(), 0u);  // no client was called
}

TEST_F(SubclassTest, OneClientPreProcessing) {
    A.modes = {mrPreProcess};
    subclassAttach(&A, W, 2);

    EXPECT_EQ(host.send(W, 2), 10);
    EXPECT_EQ(log, (Log{"A?", "W", "A", "A?"}));
}

TEST_F(SubclassTest, OneClientPostProcessing) {
    A.modes = {mrPostProcess};
    subclassAttach(&A, W, 2);

    EXPECT_EQ(host.send(W, 2), kOriginalAnswer);
    EXPECT_EQ(log, (Log{"A?", "A", "A?", "W"}));
}

TEST_F(SubclassTest, OneClientConsuming) {
    A.modes = {mrConsume};
    subclassAttach(&A, W, 2);

    EXPECT_EQ(host.send(W, 2), 10);
    EXPECT_EQ(log, (Log{"A?", "A", "A?"}));
}

TEST_F(SubclassTest, UnknownModeActsLikeConsuming) {
    A.modes = {7};
    subclassAttach(&A, W, 2);

    EXPECT_EQ(host.send(W, 2), 10);
    EXPECT_EQ(log, (Log{"A?", "A", "A?"}));
}

TEST_F(SubclassTest, SingleClientIsAskedTwiceAndMayAnswerDifferently) {
    subclassAttach(&A, W, 2);

    A.modes = {mrConsume, mrPostProcess};
    EXPECT_EQ(host.send(W, 2), kOriginalAnswer);
    EXPECT_EQ(log, (Log{"A?", "A", "A?", "W"}));

    // Pre-processing asked first and post-processing asked after: the previous
    // procedure still runs only once, and the client's result stands.
    log.clear();
    A.asked = 0;
    A.modes = {mrPreProcess, mrPostProcess};
    EXPECT_EQ(host.send(W, 2), 10);
    EXPECT_EQ(log, (Log{"A?", "W", "A", "A?"}));
    EXPECT_EQ(A.messagesSeenAsked, (std::vector<Message>{2, 2, 2, 2}));
    EXPECT_EQ(A.writes, 0);
}

TEST_F(SubclassTest, FirstClientIsAskedOnlyAboutPreAndLastOnlyAboutPostProcessing) {
    A.modes = {mrPostProcess};
    B.modes = {mrConsume};
    subclassAttach(&A, W, 2);
    subclassAttach(&B, W, 2);

    EXPECT_EQ(host.send(W, 2), 20);
    EXPECT_EQ(log, (Log{"A?", "A", "B", "B?"}));

    log.clear();
    A.modes = {mrConsume};
    B.modes = {mrPreProcess};
    EXPECT_EQ(host.send(W, 2), 20);
    EXPECT_EQ(log, (Log{"A?", "A", "B", "B?"}));
}

TEST_F(SubclassTest, TwoClientsBracketedByThePreviousProcedure) {
    subclassAttach(&A, W, 2);
    subclassAttach(&B, W, 2);

    A.modes = {mrPreProcess};
    B.modes = {mrPostProcess};
    EXPECT_EQ(host.send(W, 2), 20);  // already ran before: not again, the clients' result stands
    EXPECT_EQ(log, (Log{"A?", "W", "A", "B", "B?"}));

    log.clear();
    A.modes = {mrConsume};
    EXPECT_EQ(host.send(W, 2), kOriginalAnswer);
    EXPECT_EQ(log, (Log{"A?", "A", "B", "B?", "W"}));
}

TEST_F(SubclassTest, MiddleClientIsNeverAskedAndCannotStopTheLaterOnes) {
    A.modes = {mrConsume};
    B.modes = {mrPreProcess};
    C.modes = {mrConsume};
    subclassAttach(&A, W, 2);
    subclassAttach(&B, W, 2);
    subclassAttach(&C, W, 2);

    EXPECT_EQ(host.send(W, 2, 5, -6), 30);
    EXPECT_EQ(log, (Log{"A?", "A", "B", "C", "C?"}));
    EXPECT_EQ(B.asked, 0u);
}

TEST_F(SubclassTest, ClientsSeeTheMessageAndItsParametersAndTheWindowGetsThemUnchanged) {
    A.modes = {mrPostProcess};
    WindowHandle seenHwnd = 0;
    WParam seenW = 0;
    LParam seenL = 0;
    A.onWindowProc = [&](WindowHandle hwnd, Message, WParam wParam, LParam lParam) {
        seenHwnd = hwnd;
        seenW = wParam;
        seenL = lParam;
    };
    subclassAttach(&A, W, 4099);

    host.send(W, 4099, ~WParam{0}, -1);

    EXPECT_EQ(seenHwnd, W);
    EXPECT_EQ(seenW, ~WParam{0});
    EXPECT_EQ(seenL, -1);
    EXPECT_EQ(A.messagesSeen, (std::vector<Message>{4099}));
    EXPECT_EQ(CurrentMessage(), 4099u);
    ASSERT_EQ(host.procCalls.size(), 1u);
    EXPECT_EQ(host.procCalls[0].proc, kOriginal);
    EXPECT_EQ(host.procCalls[0].iMsg, 4099u);
    EXPECT_EQ(host.procCalls[0].wParam, ~WParam{0});
    EXPECT_EQ(host.procCalls[0].lParam, -1);
}

// ---- Dispatching while clients come and go ----------------------------------------------

TEST_F(SubclassTest, ClientDetachedByAnotherDuringTheDispatchIsAnsweredForByTheWindow) {
    subclassAttach(&A, W, 2);
    subclassAttach(&B, W, 2);
    subclassAttach(&C, W, 2);
    A.onWindowProc = [&](WindowHandle, Message, WParam, LParam) { subclassDetach(&B, W, 2); };

    EXPECT_EQ(host.send(W, 2), 30);
    EXPECT_EQ(log, (Log{"A?", "A", "W", "C", "C?"}));
    EXPECT_EQ(host.props[W]["1234#2C"], 2u);
}

TEST_F(SubclassTest, LastClientDetachedDuringTheDispatchLeavesTheWindowsResult) {
    subclassAttach(&A, W, 2);
    subclassAttach(&B, W, 2);
    A.onWindowProc = [&](WindowHandle, Message, WParam, LParam) { subclassDetach(&B, W, 2); };

    EXPECT_EQ(host.send(W, 2), kOriginalAnswer);
    EXPECT_EQ(log, (Log{"A?", "A", "W"}));
}

TEST_F(SubclassTest, ClientThatDetachesItselfOnDestroyDoesNotMakeTheNextOneMissIt) {
    A.modes = {mrConsume};
    B.modes = {mrPostProcess};
    subclassAttach(&A, W, kDestroy);
    subclassAttach(&B, W, kDestroy);
    A.onWindowProc = [&](WindowHandle hwnd, Message, WParam, LParam) { subclassDetach(&A, hwnd, kDestroy); };

    EXPECT_EQ(host.send(W, kDestroy), kOriginalAnswer);
    EXPECT_EQ(log, (Log{"A?", "A", "B", "B?", "W"}));
    EXPECT_EQ(host.props[W]["1234#2#1"], addressOf(B));
}

TEST_F(SubclassTest, SoleClientDetachingItselfOnDestroyRestoresTheWindowMidDispatch) {
    A.modes = {mrPostProcess};
    subclassAttach(&A, W, kDestroy);
    A.onWindowProc = [&](WindowHandle hwnd, Message, WParam, LParam) {
        subclassDetach(&A, hwnd, kDestroy);
        EXPECT_EQ(host.windows[W].proc, kOriginal);
    };

    EXPECT_EQ(host.send(W, kDestroy), kOriginalAnswer);
    EXPECT_EQ(log, (Log{"A?", "A", "A?", "W"}));
    EXPECT_EQ(host.props[W], (Properties{{"1234#2C", 0}}));
    EXPECT_EQ(host.send(W, kDestroy), kOriginalAnswer);  // now the window's own procedure
    EXPECT_EQ(A.messagesSeen.size(), 1u);
}

TEST_F(SubclassTest, ClientAttachedDuringTheDispatchSeesOnlyTheNextMessage) {
    subclassAttach(&A, W, 2);
    bool attached = false;
    A.onWindowProc = [&](WindowHandle, Message, WParam, LParam) {
        if (!std::exchange(attached, true)) subclassAttach(&B, W, 2);
    };

    EXPECT_EQ(host.send(W, 2), 10);
    EXPECT_EQ(log, (Log{"A?", "A", "A?"}));

    log.clear();
    EXPECT_EQ(host.send(W, 2), 20);
    EXPECT_EQ(log, (Log{"A?", "A", "B", "B?"}));
}

TEST_F(SubclassTest, NestedDispatchLeavesTheNestedMessageAndProcedureRecorded) {
    constexpr WindowHandle other = 5678;
    constexpr WindowProcedure otherOriginal = 0x6000;
    host.addWindow(other, otherOriginal, "O", 55);
    subclassAttach(&A, W, 0x100);
    subclassAttach(&B, other, 0x200);
    Message afterNested = 0;
    LResult oldProcAfterNested = 0;
    A.onWindowProc = [&](WindowHandle, Message, WParam, LParam) {
        host.send(other, 0x200);
        afterNested = CurrentMessage();
        oldProcAfterNested = CallOldWindowProc(W, 0x100, 0, 0);
    };

    EXPECT_EQ(host.send(W, 0x100), 10);

    EXPECT_EQ(afterNested, 0x200u);
    EXPECT_EQ(oldProcAfterNested, 55);  // the nested window's previous procedure
    EXPECT_EQ(CurrentMessage(), 0x200u);
    EXPECT_EQ(B.messagesSeen, (std::vector<Message>{0x200}));
}

// ---- Clients that fail ------------------------------------------------------------------

TEST_F(SubclassTest, FailingWindowProcLetsTheWindowAnswerAndTheOthersRun) {
    subclassAttach(&A, W, 2);
    subclassAttach(&B, W, 2);
    A.onWindowProc = [](WindowHandle, Message, WParam, LParam) { throw std::runtime_error("client failed"); };
    B.modes = {mrPostProcess};

    // The window answered for A; B's post-processing does not run it a second time.
    EXPECT_EQ(host.send(W, 2), 20);
    EXPECT_EQ(log, (Log{"A?", "A", "W", "B", "B?"}));

    log.clear();
    B.onWindowProc = [](WindowHandle, Message, WParam, LParam) { throw 42; };
    EXPECT_EQ(host.send(W, 2), kOriginalAnswer);
    EXPECT_EQ(log, (Log{"A?", "A", "W", "B", "B?"}));
}

TEST_F(SubclassTest, FailingPreProcessedClientTakesTheResultTheWindowAlreadyGave) {
    A.modes = {mrPreProcess};
    A.onWindowProc = [](WindowHandle, Message, WParam, LParam) { throw std::runtime_error("client failed"); };
    subclassAttach(&A, W, 2);

    EXPECT_EQ(host.send(W, 2), kOriginalAnswer);
    EXPECT_EQ(log, (Log{"A?", "W", "A", "A?"}));
}

TEST_F(SubclassTest, FailingMsgResponseCountsAsConsuming) {
    A.failResponse = true;
    subclassAttach(&A, W, 2);

    EXPECT_EQ(host.send(W, 2), 10);
    EXPECT_EQ(log, (Log{"A?", "A", "A?"}));
}

// ---- The module's state and its public face ---------------------------------------------

TEST_F(SubclassTest, CurrentMessageIsZeroUntilTheFirstDispatchAndStaysAfterIt) {
    GSubclass service;
    EXPECT_EQ(CurrentMessage(), 0u);
    EXPECT_EQ(service.CurrentMessage(), 0u);

    subclassAttach(&A, W, 4099);
    host.send(W, 4099);
    EXPECT_EQ(A.messagesSeenAsked.front(), 4099u);
    EXPECT_EQ(A.messagesSeen, (std::vector<Message>{4099}));
    EXPECT_EQ(service.CurrentMessage(), 4099u);
}

TEST_F(SubclassTest, CallOldWindowProcOutsideADispatchUsesTheWindowDispatchedLast) {
    constexpr WindowHandle other = 5678;
    host.addWindow(other, 0x6000, "O", 55);
    subclassAttach(&A, W, 2);
    subclassAttach(&A, other, 2);
    host.send(W, 2);
    host.send(other, 2);
    host.procCalls.clear();

    EXPECT_EQ(CallOldWindowProc(W, 12, 3, 4), 55);
    ASSERT_EQ(host.procCalls.size(), 1u);
    EXPECT_EQ(host.procCalls[0].proc, 0x6000u);
    EXPECT_EQ(host.procCalls[0].hwnd, W);
    EXPECT_EQ(host.procCalls[0].iMsg, 12u);
    EXPECT_EQ(host.procCalls[0].wParam, 3u);
    EXPECT_EQ(host.procCalls[0].lParam, 4);
}

TEST_F(SubclassTest, CallOldWindowProcInsideAClientRunsThatWindowsPreviousProcedure) {
    LResult fromOld = 0;
    GSubclass service;
    A.onWindowProc = [&](WindowHandle hwnd, Message iMsg, WParam wParam, LParam lParam) {
        fromOld = service.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
    };
    subclassAttach(&A, W, 2);

    EXPECT_EQ(host.send(W, 2), 10);
    EXPECT_EQ(fromOld, kOriginalAnswer);
    EXPECT_EQ(log, (Log{"A?", "A", "W", "A?"}));
}

TEST_F(SubclassTest, GSubclassForwardsToTheModuleWithErrorsUnchanged) {
    GSubclass service;
    service.AttachMessage(&A, W, 2);
    EXPECT_EQ(host.props[W]["1234#2#1"], addressOf(A));
    try {
        service.AttachMessage(&A, W, 2);
        FAIL() << "a duplicate was accepted";
    } catch (const SubclassError& e) {
        EXPECT_EQ(e.number(), -2147208422);
        EXPECT_EQ(e.source(), "quorlane.WindowProc");
        EXPECT_STREQ(e.what(), "Message already handled by another class");
    }
    service.DetachMessage(&A, W, 2);
    EXPECT_EQ(host.windows[W].proc, kOriginal);
}

TEST(SubclassErrorTest, CodesUpTo1000AreRaisedBareOthersInTheComponentRange) {
    Log log;
    FakeHost host{log};
    setWindowHost(&host);
    const auto raised = [](std::int32_t code) {
        try {
            raiseSubclassError(code);
        } catch (const SubclassError& e) {
            return e;
        }
        throw std::logic_error("raiseSubclassError returned");
    };

    const SubclassError bare = raised(1000);
    EXPECT_EQ(bare.number(), 1000);
    EXPECT_EQ(bare.source(), "");
    EXPECT_EQ(bare.description(), "");
    EXPECT_EQ(raised(5).number(), 5);

    const SubclassError unlisted = raised(1001);
    EXPECT_EQ(unlisted.number(), static_cast<std::int32_t>(0x800403E9u));
    EXPECT_EQ(unlisted.source(), "quorlane.WindowProc");
    EXPECT_EQ(unlisted.description(), "");

    EXPECT_EQ(raised(seSubclassFailed).number(), -2147208423);
    EXPECT_EQ(raised(seDuplicateClient).number(), -2147208422);
    EXPECT_EQ(raised(seInvalidWindow).number(), -2147208421);
    EXPECT_EQ(raised(seForeignWindow).number(), -2147208420);
    EXPECT_EQ(raised(seSubclassFailed).description(), "Can't subclass window");
    setWindowHost(nullptr);
}

}  // namespace
}  // namespace ql::subclass
