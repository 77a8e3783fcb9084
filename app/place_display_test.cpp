#include "app/place_display.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace ql::editor {
namespace {

constexpr int kGenericFolder = 3;

// A shell that knows a few folders, paths and variables, and records what it was asked about.
class FakeShell final : public PlaceShell {
public:
    std::u16string expandVariables(std::u16string_view text) override {
        std::u16string out(text);
        for (const auto& [name, value] : variables) {
            for (auto at = out.find(name); at != std::u16string::npos; at = out.find(name)) out.replace(at, name.size(), value);
        }
        return out;
    }
    bool isExistingFolder(std::u16string_view path) override { return folders.contains(std::u16string(path)); }
    FolderLook pathLook(std::u16string_view path) override {
        asked.insert(std::u16string(path));
        const auto found = looks.find(std::u16string(path));
        return found == looks.end() ? FolderLook{} : found->second;
    }
    std::optional<FolderLook> specialFolderLook(std::int32_t csidl) override {
        const auto found = specials.find(csidl);
        if (found == specials.end()) return std::nullopt;
        return found->second;
    }
    int genericFolderIcon() override { return kGenericFolder; }

    std::map<std::u16string, std::u16string> variables{{u"%SystemRoot%", u"C:\\windows"}};
    std::set<std::u16string> folders{u"C:\\windows\\system32", u"C:\\Work", u"\\\\server\\share", u"Documents"};
    std::map<std::u16string, FolderLook> looks{{u"C:\\windows\\system32", {u"system32", 21}},
                                               {u"C:\\Work", {u"Work", 22}},
                                               {u"Documents", {u"Documents", 23}},
                                               {u"\\\\server\\share", {u"share", 24}}};
    std::map<std::int32_t, FolderLook> specials{{5, {u"My Documents", 11}}, {0, {u"Desktop", 10}}};
    std::set<std::u16string> asked;
};

class PlaceDisplay : public testing::Test {
protected:
    EntryLook describe(const Place& place) { return describePlace(place, shell); }
    FakeShell shell;
};

TEST_F(PlaceDisplay, AnExpandablePathShowsItsStoredTextWithTheNameAndIconOfWhatItExpandsTo) {
    EXPECT_EQ(describe(Place::expandablePath(u"%SystemRoot%\\system32")),
              (EntryLook{u"system32: %SystemRoot%\\system32", 21}));
    EXPECT_EQ(shell.asked, (std::set<std::u16string>{u"C:\\windows\\system32"}));
    EXPECT_EQ(describe(Place::expandablePath(u"%NoSuchVariable%\\system32")),
              (EntryLook{u": %NoSuchVariable%\\system32 (not found)", kGenericFolder}));
    // Only REG_EXPAND_SZ text is expanded: a REG_SZ path means its percent signs literally.
    EXPECT_EQ(describe(Place::folderPath(u"%SystemRoot%\\system32")),
              (EntryLook{u": %SystemRoot%\\system32 (not found)", kGenericFolder}));
}

TEST_F(PlaceDisplay, PathsThatAreNoExistingFolderFromARootAreMarkedAndKeepTheirText) {
    EXPECT_EQ(describe(Place::folderPath(u"C:\\Work")), (EntryLook{u"Work: C:\\Work", 22}));
    EXPECT_EQ(describe(Place::folderPath(u"\\\\server\\share")), (EntryLook{u"share: \\\\server\\share", 24}));
    EXPECT_EQ(describe(Place::folderPath(u"C:\\no\\such\\folder")),
              (EntryLook{u": C:\\no\\such\\folder (not found)", kGenericFolder}));
    EXPECT_EQ(describe(Place::folderPath(u"")), (EntryLook{u":  (not found)", kGenericFolder}));
    // Relative: it would resolve against whatever folder the reading program is in.
    EXPECT_EQ(describe(Place::folderPath(u"Documents")), (EntryLook{u"Documents: Documents (not found)", kGenericFolder}));
}

TEST_F(PlaceDisplay, SpecialFoldersTheSystemDoesNotKnowAreMarkedByNumber) {
    EXPECT_EQ(describe(Place::specialFolder(5)), (EntryLook{u"My Documents", 11}));
    EXPECT_EQ(describe(Place::specialFolder(49)), (EntryLook{u"Special folder 49 (not found)", kGenericFolder}));
    shell.specials[-1] = {u"never asked", 1};
    EXPECT_EQ(describe(Place::specialFolder(-1)), (EntryLook{u"Special folder -1 (not found)", kGenericFolder}));
    EXPECT_EQ(describe(Place::specialFolder(INT32_MIN)),
              (EntryLook{u"Special folder -2147483648 (not found)", kGenericFolder}));
}

TEST_F(PlaceDisplay, PolicyEditorNamesShowAsTheFolderTheyNameInAnyCase) {
    EXPECT_EQ(describe(Place::folderPath(u"MyDocuments")), (EntryLook{u"My Documents", 11}));
    EXPECT_EQ(describe(Place::folderPath(u"dEsKtOp")), (EntryLook{u"Desktop", 10}));
    EXPECT_EQ(describe(Place::folderPath(u"Recent")), (EntryLook{u"Recent (not found)", kGenericFolder}));
    EXPECT_TRUE(shell.asked.empty()) << "a name is no path to ask the shell about";
    // Not as REG_EXPAND_SZ, nor with anything around the name.
    EXPECT_EQ(describe(Place::expandablePath(u"MyDocuments")).text, u": MyDocuments (not found)");
    EXPECT_EQ(describe(Place::folderPath(u"MyDocuments ")).text, u": MyDocuments  (not found)");
}

TEST(PolicyEditorFolder, KnowsTheThirteenNamesAndTheirFolders) {
    const std::map<std::u16string, std::int32_t> expected{
        {u"CommonDocuments", 46}, {u"CommonMusic", 53}, {u"CommonPictures", 54}, {u"Desktop", 0},
        {u"MyComputer", 17},      {u"MyDocuments", 5},  {u"MyFavorites", 6},     {u"MyMusic", 13},
        {u"MyNetworkPlaces", 18}, {u"MyPictures", 39},  {u"Printers", 4},        {u"ProgramFiles", 38},
        {u"Recent", 8}};
    for (const auto& [name, csidl] : expected) EXPECT_EQ(policyEditorFolder(name), csidl);
    EXPECT_EQ(policyEditorFolder(u"PROGRAMFILES"), 38);
    EXPECT_EQ(policyEditorFolder(u"My Documents"), std::nullopt);
    EXPECT_EQ(policyEditorFolder(u""), std::nullopt);
}

}  // namespace
}  // namespace ql::editor
