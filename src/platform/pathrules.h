#ifndef VELDANE_PLATFORM_PATHRULES_H
#define VELDANE_PLATFORM_PATHRULES_H

#include <QString>

// How the file system of this platform spells paths. Paths given here use "/"
// as separator (QDir::fromNativeSeparators).
namespace PathRules {

// Length of the part that makes the path absolute: "/" on Unix, "C:/" or
// "//server/share/" on Windows. 0 when the path is not absolute, which on
// Windows includes "C:x" and "/x": both depend on the current drive or folder.
int absoluteRootLength(const QString &path);

// Whether two spellings of a file name that differ only in case name
// different files.
Qt::CaseSensitivity fileNameCase();

} // namespace PathRules

#endif
