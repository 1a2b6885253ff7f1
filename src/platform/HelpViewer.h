#pragma once
// The help page (HTML, in the program folder) opened with the desktop's viewer.
#include <QString>

namespace HelpViewer {
QString helpFilePath();
// False when the page is missing or no viewer could be started.
bool open();
}  // namespace HelpViewer
