// quorlane.exe under stress, for real: registry contents no user would write, and a long session of
// everything a user does, in one process. Every test starts from a profile without a Policies key.
//
// The soak runs QL_SOAK_ROUNDS rounds (5 unless set; scripts/soak.sh sets 200).
#include "common/utf16_bytes.h"
#include "common/win_text.h"
#include "tests/e2e/stress_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace ql::e2e::stress {
namespace {

// The characters as stored, without a terminating NUL unless they hold one.
RegValue utf16Bytes(DWORD type, std::wstring_view chars) { return RegValue::raw(type, utf16leBytes(win::toU16(chars), false)); }

Names placeNames(int count) {
    Names names;
    for (int i = 0; i < count; ++i) names.push_back(L"Place" + std::to_wstring(i));
    return names;
}

// Values beyond Place4, each one a place if it were read.
void storeStrayPlaces() {
    for (int i = 5; i <= 9; ++i) store(L"Place" + std::to_wstring(i), i % 2 ? RegValue::dword(kCsidlDrives) : RegValue::string(L"C:\\"));
}

// The entries as shown, where the driver reads at least the first 1000 characters of a text.
::testing::AssertionResult showsEntries(const Names& shown, const Names& expected) {
    bool same = shown.size() == expected.size();
    for (std::size_t i = 0; same && i < shown.size(); ++i) {
        same = shown[i] == expected[i] || (shown[i].size() >= 1000 && expected[i].starts_with(shown[i]));
    }
    if (same) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "shown:";
    for (const auto& entry : shown) failure << " \"" << narrowText(entry.substr(0, 60)) << "\" (" << entry.size() << " chars)";
    return failure;
}

class StressE2E : public ::testing::Test {
protected:
    void SetUp() override { deleteKeyTree(kPolicies); }
    void TearDown() override { deleteKeyTree(kPolicies); }
};

// ---- A hostile registry -------------------------------------------------------------------------

// Valid: a REG_SZ (its text up to the first NUL, however long) and a REG_DWORD of exactly 4
// bytes, under Place0..Place4. Everything else is skipped on load and gone after Apply.
TEST_F(StressE2E, OversizedAndMistypedValuesLeaveOnlyTheValidPlaceAndApplyStoresItClean) {
    // 64 KiB of REG_SZ: a path of 32767 characters and its NUL.
    const std::wstring huge = L"C:\\" + std::wstring(32764, L'q');
    store(L"Place0", RegValue::string(huge));
    ASSERT_EQ(stored(L"Place0")->data.size(), 65536u);
    store(L"Place1", RegValue::raw(REG_BINARY, {5, 0, 0, 0}));
    store(L"Place2", utf16Bytes(REG_MULTI_SZ, std::wstring(L"C:\\windows\0C:\\\0\0", 16)));
    store(L"Place3", RegValue::raw(REG_DWORD, {kCsidlDrives, 0}));
    store(L"Place4", RegValue::raw(REG_DWORD, {kCsidlPersonal, 0, 0, 0, 0, 0, 0, 0}));
    storeStrayPlaces();

    const Editor editor;
    EXPECT_TRUE(checked(editor.control(ids::kCustomizeYes)));
    EXPECT_TRUE(showsEntries(editor.entries(), {missingPathEntry(huge)}));

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedNames(), placeNames(1));
    EXPECT_EQ(stored(L"Place0"), RegValue::string(huge));
}

TEST_F(StressE2E, EmbeddedNulsLongPathsAndOddSizesShowTheirPathsAndApplyStoresThemClean) {
    std::wstring deep = L"C:\\";
    while (deep.size() < 300) deep += L"Folder" + std::to_wstring(deep.size()) + L"\\";
    deep.resize(300);
    store(L"Place0", utf16Bytes(REG_SZ, std::wstring(L"C:\\windows\0C:\\users\0\0", 22)));
    store(L"Place1", RegValue::string(deep));
    store(L"Place2", RegValue::dword(kCsidlDrives));
    store(L"Place3", RegValue::raw(REG_SZ, {}));
    RegValue odd = utf16Bytes(REG_SZ, L"C:\\users");  // no NUL, and one byte more
    odd.data.push_back('x');
    store(L"Place4", odd);
    storeStrayPlaces();

    const Editor editor;
    EXPECT_TRUE(showsEntries(editor.entries(), {pathEntry(L"C:\\windows"), missingPathEntry(deep),
                                                shellFolderName(kCsidlDrives), L"(empty)",
                                                pathEntry(L"C:\\users")}));
    EXPECT_FALSE(editor.enabled(ids::kAddSpecial)) << "five places";

    editor.click(ids::kApplyChanges);
    EXPECT_EQ(storedNames(), placeNames(5));
    EXPECT_EQ(stored(L"Place0"), RegValue::string(L"C:\\windows"));
    EXPECT_EQ(stored(L"Place1"), RegValue::string(deep));
    EXPECT_EQ(stored(L"Place2"), RegValue::dword(kCsidlDrives));
    EXPECT_EQ(stored(L"Place3"), RegValue::string(L""));
    EXPECT_EQ(stored(L"Place4"), RegValue::string(L"C:\\users"));
}

// ---- A long session -----------------------------------------------------------------------------

// The system's own call rather than the C runtime's getenv, which Visual C++ deprecates.
int soakRounds() {
    wchar_t rounds[16] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"QL_SOAK_ROUNDS", rounds, 16);
    return length > 0 && length < 16 ? std::max(2, static_cast<int>(std::wcstol(rounds, nullptr, 10))) : 5;
}

// Each round adds the desktop through the picker, drags it from the end to the top, removes it
// again and applies; every fourth round, starting with the first, also opens and cancels
// the picker and opens and closes the About box. What the process holds after the first round,
// once everything has been used once, is what it must hold at the end.
TEST_F(StressE2E, SoakOfAddDragRemoveApplyPickerAndAboutHoldsItsResources) {
    store(L"Place0", RegValue::dword(kCsidlPersonal));
    store(L"Place1", RegValue::dword(kCsidlDrives));
    store(L"Place2", RegValue::string(L"C:\\windows"));
    const std::wstring desktop = shellFolderName(kCsidlDesktop);
    ASSERT_FALSE(desktop.empty());

    const Editor editor;
    const int rounds = soakRounds();
    std::optional<ResourceLevel> afterFirst;
    for (int round = 1; round <= rounds; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << round);
        const Names before = editor.entries();
        ASSERT_EQ(before.size(), 3u);

        addFirstSpecialFolder(editor);
        ASSERT_EQ(editor.entries(), (Names{before[0], before[1], before[2], desktop}));
        dragEntry(editor, 3, 0);
        ASSERT_EQ(editor.entries(), (Names{desktop, before[0], before[1], before[2]}));
        removeEntry(editor, 0);
        ASSERT_EQ(editor.entries(), before);
        editor.click(ids::kApplyChanges);
        ASSERT_EQ(storedNames(), placeNames(3));
        ASSERT_EQ(stored(L"Place0"), RegValue::dword(kCsidlPersonal));
        ASSERT_EQ(stored(L"Place2"), RegValue::string(L"C:\\windows"));

        if (round % 4 == 1) {
            openAndCancelPicker(editor);
            openAndCloseAbout(editor);
        }
        if (round == 1 || round % 25 == 0 || round == rounds) {
            const ResourceLevel level = resourceLevel(editor.program());
            std::cout << "[   soak   ] after round " << round << ": " << level << std::endl;
            if (!afterFirst) afterFirst = level;
        }
    }

    const ResourceLevel end = resourceLevel(editor.program());
    EXPECT_LE(end.gdiObjects, afterFirst->gdiObjects);
    EXPECT_LE(end.userObjects, afterFirst->userObjects);
    EXPECT_EQ(end.windows, afterFirst->windows);
    EXPECT_LE(end.handles, afterFirst->handles);
    // The heap settles within some 32 KiB after the first round; an icon leaked per About box (some
    // 4 KiB under Wine) adds 200 KiB over 200 rounds.
    EXPECT_LE(end.privateBytes, afterFirst->privateBytes + 96 * 1024)
        << "private bytes grew from " << afterFirst->privateBytes / 1024 << " KiB to " << end.privateBytes / 1024 << " KiB";
}

}  // namespace
}  // namespace ql::e2e::stress
