#pragma once
// Loading and saving the places bar:
// HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\ComDlg32\PlacesBar.
#include "store/dialog_settings.h"
#include "store/place.h"
#include "store/places_bar_store.h"

#include <optional>
#include <string>
#include <vector>

namespace ql {

inline constexpr std::u16string_view kPoliciesPath = u"Software\\Microsoft\\Windows\\CurrentVersion\\Policies";
inline constexpr std::u16string_view kComDlg32 = u"ComDlg32";
inline constexpr std::u16string_view kPlacesBar = u"PlacesBar";

// The three joined: the key below HKEY_CURRENT_USER.
std::u16string placesBarPath();
// The key above it, which holds the dialogs' settings.
std::u16string comDlg32Path();

inline constexpr std::u16string_view kCurrentUserName = u"HKEY_CURRENT_USER";
// The key from the registry's root, as .reg files and the registry's tools name it.
std::u16string placesBarKeyName();
std::u16string comDlg32KeyName();
std::u16string policiesKeyName();

struct LoadedPlacesBar {
    bool customized = false;    // the PlacesBar key exists (even with no usable value)
    std::vector<Place> places;  // the valid "Place0".."Place4", in index order, gaps closed up
};

// Never fails: what cannot be read is skipped.
LoadedPlacesBar loadPlacesBar(PlacesBarStore& store);

// What a save stores of the places bar: no key (the dialogs' own places), or the key with these places.
struct PlacesBarContent {
    bool customized = false;
    std::vector<Place> places;
    bool operator==(const PlacesBarContent&) const = default;
};

// What a save stores of the dialogs: the places bar when given, and the settings given; the rest
// stays as stored.
struct DialogsContent {
    std::optional<PlacesBarContent> placesBar;
    SettingChanges settings{};
    bool operator==(const DialogsContent&) const = default;
};

struct SaveResult {
    long error = kRegOk;    // the first registry error that kept the places bar from being stored
    std::u16string failedStep;  // which key or value it was, for the message to the user:
                                // "Policies", "ComDlg32", "PlacesBar", "Place<i>"
                                // or a setting's value name
    bool ok() const { return error == kRegOk; }
};

// Whether a save could write the places bar and the settings: kRegOk, or the error (kRegAccessDenied)
// that the deepest existing key of the path gives to the rights a save asks of it.
long dialogsWriteCheck(PlacesBarStore& store);

// What this user may do with the places bar and the settings: write them, write them only with an
// administrator's consent (on Windows, Policies is writable by administrators alone), or not at all.
enum class WriteAccess { Allowed, NeedsElevation, Denied };
// An elevated write the user did not consent to (Windows' ERROR_CANCELLED).
inline constexpr long kConsentCancelled = 1223;

// Creates the path down to ComDlg32 as needed, deletes PlacesBar and, when customized,
// writes "Place0".."Place<n-1>" in order. Policies and ComDlg32 are never deleted.
// A key that cannot be created or deleted ends the save (a PlacesBar that is not there is
// nothing to delete); a value that cannot be written is reported, the later ones are still
// written. ok() only when the whole list is stored.
SaveResult savePlacesBar(PlacesBarStore& store, bool customized, const std::vector<Place>& places);

// Stores the content as a whole: the places bar as savePlacesBar does, each setting given as "shown"
// by deleting its value (never a 0), "hidden" as REG_DWORD 1, "other" as it was stored. Nothing else
// in ComDlg32 is touched. When any step fails, what the keys held before is put back, and the result
// names the first step that failed.
SaveResult saveDialogs(PlacesBarStore& store, const DialogsContent& content);

}  // namespace ql
