// arborvane --stand FILE: the window shows a stand of trees in one wind
// instead of its one tree. The drags, keys and menu work on the view and the
// wind as ever; the stand steps in place of the scene.
#pragma once
#include <string>

// The stand file given with --stand; empty: the window's one tree.
extern std::string standPath;

// Before the window opens: reads the stand file and grows its presets beside
// the data folder. -1 to go on, else the exit status (a line was printed).
int prepareWindowStand();
// After the scene's start (its textures and light): opens the trees, sizes
// their arrays and aims the camera at the whole stand. Exits 1 with one line
// when a tree does not open.
void startWindowStand();
// Whether the window shows a stand.
bool windowShowsStand();
// The display pass of a stand: overlay, the stand drawn, then its steps.
void displayStand();
