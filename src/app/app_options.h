// The window program's own flags, --data and --realtime, into the app's
// globals. GLUT's options (single dash, such as -display NAME) are left to
// glutInit, which gets argv unchanged.
#pragma once

// -1 to go on; otherwise the exit status (--help 0, a bad flag or value 2,
// with the message printed).
int parseAppOptions(int argc, char** argv);
// After glutInit has taken its own options out of argv: any word left is one
// neither knows. 2 with a hint printed (--data DIR when it names a folder), else -1.
int refuseStrayArguments(int argc, char** argv);
