// Progress of a long headless run (frames recorded or exported) on standard error. On a terminal a bar is redrawn in
// place; into a file or a pipe a carriage-return bar would pile up into one
// endless log line, so there it is one plain line at each tenth of the run.
#pragma once
#include <cstdio>

class RunProgress {
public:
    RunProgress(int total, bool terminal, std::FILE* out = stderr);
    // After frame `done` (1-based) was written, `seconds` into the run.
    void frameDone(int done, double seconds);
    // Ends the bar's line, also when the run stops early.
    void finish();

private:
    int total_;
    bool terminal_;
    std::FILE* out_;
    int lastStep_ = 0;       // percent on a terminal, tenth otherwise, last shown
    bool lineOpen_ = false;  // a bar is on the line
};

// Standard error is a terminal.
bool stderrIsTerminal();
