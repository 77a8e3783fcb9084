#include "app/place_display.h"

#include <gtest/gtest.h>

#include <map>

namespace ql::editor {
namespace {

constexpr int kGeneric = 3;

class FakeShell final : public PlaceShell {
public:
    std::u16string expandVariables(std::u16string_view text) override {
        return text.starts_with(u"%SystemRoot%") ? u"C:\\windows" + std::u16string(text.substr(12)) : std::u16string(text);
    }
    bool isExistingFolder(std::u16string_view path) override { return paths.contains(std::u16string(path)) && !isFile(path); }
    bool exists(std::u16string_view path) override { return paths.contains(std::u16string(path)); }
    static bool isFile(std::u16string_view path) { return path.ends_with(u".ini"); }
    FolderLook pathLook(std::u16string_view path) override {
        const auto found = paths.find(std::u16string(path));
        return found == paths.end() ? FolderLook{} : found->second;
    }
    std::optional<FolderLook> specialFolderLook(std::int32_t csidl) override {
        if (!specials.contains(csidl)) return std::nullopt;
        return specials[csidl];
    }
    int genericFolderIcon() override { return kGeneric; }

    std::map<std::u16string, FolderLook> paths{{u"C:\\windows\\system32", {u"system32", 21}},
                                               {u"\\\\server\\share", {u"share", 22}},
                                               {u"Documents", {u"Documents", 23}},
                                               {u"C:\\windows\\win.ini", {u"win.ini", 30}},
                                               {u"C:\\long", {u"", 0}}};
    std::map<std::int32_t, FolderLook> specials{{5, {u"My Documents", 11}}, {-1, {u"never asked", 1}}, {40, {u"me", 0}}};
};

EntryLook describe(const Place& place) {
    FakeShell shell;
    return describePlace(place, shell);
}

TEST(PlaceDisplay, AnExpandablePathShowsItsStoredTextWithTheNameAndIconOfWhatItExpandsTo) {
    EXPECT_EQ(describe(Place::expandablePath(u"%SystemRoot%\\system32")), (EntryLook{u"system32: %SystemRoot%\\system32", 21}));
    // REG_SZ text means its percent signs literally.
    EXPECT_EQ(describe(Place::folderPath(u"%SystemRoot%\\system32")),
              (EntryLook{u"%SystemRoot%\\system32 (not found)", kGeneric, Resolution::NotFound}));
}

TEST(PlaceDisplay, PathsThatAreNoExistingFolderFromARootAreMarkedWithTheGenericIcon) {
    EXPECT_EQ(describe(Place::folderPath(u"\\\\server\\share")), (EntryLook{u"share: \\\\server\\share", 22}));
    EXPECT_EQ(describe(Place::folderPath(u"C:\\no\\such")), (EntryLook{u"C:\\no\\such (not found)", kGeneric, Resolution::NotFound}));
    // Relative: it would resolve against whatever folder the reading program is in.
    EXPECT_EQ(describe(Place::folderPath(u"Documents")), (EntryLook{u"Documents: Documents (not found)", kGeneric, Resolution::NotFound}));
}

TEST(PlaceDisplay, AnEmptyPathAFileAndWhatTheShellCannotDescribeShowAsWhatTheyAre) {
    EXPECT_EQ(describe(Place::folderPath(u"")), (EntryLook{u"(empty)", kGeneric, Resolution::Empty}));
    EXPECT_EQ(describe(Place::expandablePath(u"")), (EntryLook{u"(empty)", kGeneric, Resolution::Empty}));
    EXPECT_EQ(describe(Place::folderPath(u"C:\\windows\\win.ini")),
              (EntryLook{u"win.ini: C:\\windows\\win.ini (not a folder)", kGeneric, Resolution::NotAFolder}));
    // A folder the shell gives no name and the document icon (a path too long for it).
    EXPECT_EQ(describe(Place::folderPath(u"C:\\long")), (EntryLook{u"C:\\long", kGeneric}));
    EXPECT_EQ(describe(Place::specialFolder(40)), (EntryLook{u"me", kGeneric}));
}

TEST(PlaceDisplay, SpecialFoldersTheSystemDoesNotKnowNegativeOnesIncludedAreMarkedByNumber) {
    EXPECT_EQ(describe(Place::specialFolder(5)), (EntryLook{u"My Documents", 11}));
    EXPECT_EQ(describe(Place::specialFolder(49)), (EntryLook{u"Special folder 49 (not found)", kGeneric, Resolution::NotFound}));
    EXPECT_EQ(describe(Place::specialFolder(-1)), (EntryLook{u"Special folder -1 (not found)", kGeneric, Resolution::NotFound}));
    EXPECT_EQ(describe(Place::specialFolder(INT32_MIN)).text, u"Special folder -2147483648 (not found)");
}

TEST(PlaceDisplay, PolicyEditorNamesInAnyCaseShowAsTheirFolderAndOnlyAsPlainText) {
    EXPECT_EQ(describe(Place::folderPath(u"mYdOCUMENTS")), (EntryLook{u"My Documents", 11}));
    EXPECT_EQ(describe(Place::folderPath(u"Recent")), (EntryLook{u"Recent (not found)", kGeneric, Resolution::NotFound}));
    EXPECT_EQ(describe(Place::expandablePath(u"MyDocuments")).text, u"MyDocuments (not found)");
    EXPECT_EQ(policyEditorFolder(u"MyNetworkPlaces"), 0x12);
    EXPECT_EQ(policyEditorFolder(u"My Documents"), std::nullopt);
}

}  // namespace
}  // namespace ql::editor
