#pragma once
// The program folder, where the user's files live (playlists, name lists, the
// jingle set, statistics reports): the folder named by VANTELBROOK2_HOME when it
// is set, else the user's data folder (~/.local/share/Vantelbrook2). Never the
// build or install folder, so a rebuild or an upgrade leaves the station's files alone.
//
// The files the program only reads and ships with itself (tips, about page, help
// page) are looked up in the program folder first, so a station can replace them,
// then where they were installed (<prefix>/share/vantelbrook2 beside <prefix>/bin),
// then beside the executable (a build). VANTELBROOK2_SHARE, when set, names the
// one place looked in after the program folder (tests use an empty one).
#include <QString>

namespace ProgramFolder {
// Without a trailing slash.
QString path();
// A file or folder name inside the program folder.
QString file(const QString &name);
// Makes the program folder if it is missing; false when it cannot be made.
bool make();
// The first existing copy of a shipped file; where none exists, its place in the
// program folder (so a message names where the user can put it).
QString shippedFile(const QString &name);
}  // namespace ProgramFolder
