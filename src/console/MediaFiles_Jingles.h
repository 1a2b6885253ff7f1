#pragma once
// The jingle set of the console (jing.jin in the program folder).
namespace MediaFiles {
// Reads the twelve slots into JinglePath and JingleName and gives each jingle
// button its name as tool tip. A missing file, or missing lines, are empty slots.
// Raises VbError when the file exists but cannot be read (the slots stay as they were).
void LoadJingles();
}  // namespace MediaFiles
