// glGameFolder: which game a run plays when none is named. The working folder's
// own game comes first; an installed program with no game in the working folder
// plays the game installed beside it (<bindir>/../share/quillmere).
#pragma once

#include <string>

// The folder of the game installed beside the running program, or "" when
// there is none (a program run from its build tree has none).
std::string glGameFolder_installed(void);
// The folder to change to before start-up when no game folder was named: ""
// to stay (the working folder has Data/index.xml, or nothing is installed).
std::string glGameFolder_default(void);
