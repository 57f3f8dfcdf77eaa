// The window program's own flags (--data, --realtime, the wind schedule) into
// the app's globals. GLUT's options (single dash, such as -display NAME) are
// what is left over, for glutInit.
#pragma once
#include <string>
#include <vector>

// -1 to go on, with leftOver holding the words none of our flags took, in
// order; otherwise the exit status (--help 0, a bad flag or value 2, with the
// message printed).
int parseAppOptions(int argc, char** argv, std::vector<std::string>& leftOver);
// After glutInit has taken its own options out of the left-over words
// (argv[0] first): any word left is one neither knows. 2 with a hint printed
// (--data DIR when it names a folder), else -1.
int refuseStrayArguments(int argc, char** argv);
