#include "core/Globals.h"

QString UserEngineer;
QString UserManager;
QString UserOrganization;

QString ScriptFilePath;
bool ScriptModified = false;

std::array<QString, 12> JinglePath;
std::array<QString, 12> JingleName;
