#pragma once
// What the About box decides without Windows: its version line, the mail link, how a registry
// value read for the system information tool becomes text, and where that tool is.
#include "common/registry_types.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql::about {

// "Version major.minor.revision" in the user's language, from the program's version numbers.
std::u16string versionLabel();

// The mail label's address with the program's title as subject: label + "?subject=" + title.
std::u16string mailLinkTarget(std::u16string_view mailLabel);

// A value is read into a buffer of this many bytes; a longer one is not read at all.
inline constexpr std::size_t kValueBufferBytes = 1024;

// One value as the registry returned it: its type and the bytes it counted.
struct RawValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
};

// A value's text, into keyVal:
//   REG_SZ    UTF-16LE up to its first NUL (the terminating NUL is optional; an odd last byte is dropped);
//   REG_DWORD the little-endian number in unsigned decimal ("258" for 0x102);
//   any other type leaves keyVal as it was.
// True for all of these; an empty value (size 0) is no value: false, keyVal empty.
bool valueText(const RawValue& value, std::u16string& keyVal);

// One root key of the registry, read only: a value of a sub-key, or nothing when the key cannot be
// opened or the value cannot be read (missing, or longer than kValueBufferBytes).
class ValueReader {
public:
    virtual ~ValueReader() = default;
    virtual std::optional<RawValue> read(std::u16string_view keyName, std::u16string_view valueName) const = 0;
};

// True when subKeyRef of keyName under keyRoot was read: keyVal gets its text (valueText).
// False, with keyVal empty, when it could not be read or is empty.
bool GetKeyValue(const ValueReader& keyRoot, std::u16string_view keyName, std::u16string_view subKeyRef,
                 std::u16string& keyVal);

class FileProbe {
public:
    virtual ~FileProbe() = default;
    // An ordinary file: it exists, is no folder, and is neither hidden nor a system file.
    virtual bool isOrdinaryFile(std::u16string_view path) const = 0;
};

inline constexpr std::u16string_view kMsinfoKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr std::u16string_view kMsinfoValue = u"PATH";
inline constexpr std::u16string_view kToolsLocationKey = u"SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr std::u16string_view kToolsLocationValue = u"MSINFO";
inline constexpr std::u16string_view kMsinfoFile = u"\\MSINFO32.EXE";

// The system information tool to start: the first key's path as it is, else the folder of the
// second key + "\MSINFO32.EXE" when that ordinary file exists; nothing when it is unavailable.
// A first key that is read but gives no text (a value of another type) makes it unavailable,
// as does a second key naming no folder.
std::optional<std::u16string> sysInfoPath(const ValueReader& hklm, const FileProbe& files);

// The command line that starts the tool at `path`: the path quoted as one program name, blanks and
// all (C:\Program Files\... never starts C:\Program), found as the system finds programs, so a bare
// name or one without ".exe" starts too. A path in quotes already stays as it is.
std::u16string sysInfoCommandLine(std::u16string_view path);

// For a 32-bit program on 64-bit Windows, whose system folder the file system redirects to the 32-bit
// one: a path in `systemFolder` (any case) as the same file in `nativeFolder` (Sysnative, the
// folder through which such a program reaches the 64-bit system's own); any other path as it is.
std::u16string pathPastRedirection(std::u16string_view path, std::u16string_view systemFolder,
                                   std::u16string_view nativeFolder);

}  // namespace ql::about
