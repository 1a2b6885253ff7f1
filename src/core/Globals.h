#pragma once
// Program-wide state shared by more than one subsystem.
#include <QString>
#include <array>

// User information (set at start-up and by the user-information window).
extern QString UserEngineer;
extern QString UserManager;
extern QString UserOrganization;

// The script box's file and its modified flag (also set by "Open Script File").
extern QString ScriptFilePath;
extern bool ScriptModified;

// The jingle set: twelve slots for the buttons "A" to "L".
extern std::array<QString, 12> JinglePath;
extern std::array<QString, 12> JingleName;
