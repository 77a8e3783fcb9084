#pragma once
// The program's title and version: the one source for the version resource, the About box, the
// window's title label, the command line's help and (parsed by cmake/version.cmake) the release.
// Plain #defines: the resource compiler reads this file too.

#define QL_PROGRAM_TITLE "Quorlane"
#define QL_VERSION_MAJOR 1
#define QL_VERSION_MINOR 1
#define QL_VERSION_REVISION 0

#define QL_STRINGIZE_(x) #x
#define QL_STRINGIZE(x) QL_STRINGIZE_(x)
// "1.1.0"
#define QL_VERSION_TEXT QL_STRINGIZE(QL_VERSION_MAJOR.QL_VERSION_MINOR.QL_VERSION_REVISION)
// "1.1", as the main window's title label shows it
#define QL_VERSION_SHORT_TEXT QL_STRINGIZE(QL_VERSION_MAJOR.QL_VERSION_MINOR)
