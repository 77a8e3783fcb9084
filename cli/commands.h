#pragma once
// The commands of quorlane.exe's command line over the places bar store and a host that stands
// for the system: its output, its file system, its shell and its special and known folders.
#include "store/place.h"
#include "store/places_bar.h"
#include "store/places_bar_store.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql::cli {

struct KnownFolderPath {
    std::u16string name;
    std::u16string path;
};

class CliHost {
public:
    virtual ~CliHost() = default;

    virtual void writeOut(std::u16string_view text) = 0;
    virtual void writeError(std::u16string_view text) = 0;

    virtual bool specialFolderExists(std::int32_t csidl) = 0;
    // The known folders without a special folder number that exist here, Downloads first.
    virtual std::vector<KnownFolderPath> knownFolders() = 0;
    // The path made absolute (under Wine a Unix path becomes the Windows path it maps to);
    // empty when that cannot be done.
    virtual std::u16string absolutePath(std::u16string_view path) = 0;
    // Whether the path, with its %VARIABLES% expanded, is an existing folder; none when the file
    // system has not answered in time (a share whose server is gone).
    virtual std::optional<bool> folderExists(std::u16string_view path) = 0;
    // The shell's display names of the places, asked together: empty for one that does not
    // resolve, none for one that has not answered in time.
    virtual std::vector<std::optional<std::u16string>> displayNames(const std::vector<Place>& places) = 0;
    // The system's text for a registry error code.
    virtual std::u16string errorText(long error) = 0;

    // Whether this user may write the places bar and the settings (see WriteAccess).
    virtual WriteAccess writeAccess() = 0;
    // Has an elevated copy of the program write the content for this user, after an administrator's
    // consent: kRegOk, kConsentCancelled, or the error it met.
    virtual long writeElevated(const DialogsContent& content) = 0;

    // False with the system's reason in `error`.
    virtual bool readFile(std::u16string_view path, std::vector<std::uint8_t>& bytes, std::u16string& error) = 0;
    virtual bool writeFile(std::u16string_view path, const std::vector<std::uint8_t>& bytes, std::u16string& error) = 0;
};

// Runs the command line `args` (the arguments after the program's name, at least one) and gives
// the exit status. Output goes to the host; a refusal or failure writes one line starting
// "quorlane: " to its error output and leaves the registry as it was.
int runCommand(const std::vector<std::u16string>& args, PlacesBarStore& store, CliHost& host);

}  // namespace ql::cli
