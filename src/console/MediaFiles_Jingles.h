#pragma once
// The jingle set of the console (jing.jin in the program folder).
namespace MediaFiles {
// Reads the twelve slots into JinglePath and JingleName and gives each jingle
// button its name as tool tip. A missing file, or missing lines, are empty slots.
// Raises VbError when the file exists but cannot be read (the slots stay as they were).
void LoadJingles();
// Rewrites jing.jin whole (24 lines: path then name of each slot) and gives each jingle
// button its name as tool tip. Line breaks inside a text are dropped so every slot keeps
// its two lines. Raises VbError when the file cannot be written; the old file then stays whole.
void SaveJingles();
}  // namespace MediaFiles
