#pragma once
// The program's title and version: the one source for the version resource and the About box.
// Plain #defines: the resource compiler reads this file too.

#define QL_PROGRAM_TITLE "Quorlane"
#define QL_VERSION_MAJOR 1
#define QL_VERSION_MINOR 0
#define QL_VERSION_REVISION 2

#define QL_STRINGIZE_(x) #x
#define QL_STRINGIZE(x) QL_STRINGIZE_(x)
// "1.0.2"
#define QL_VERSION_TEXT QL_STRINGIZE(QL_VERSION_MAJOR.QL_VERSION_MINOR.QL_VERSION_REVISION)
