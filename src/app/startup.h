// Start-up of the window program: GL state, textures, the scene's files,
// set-up, light. Prints the load lines; a scene texture failure is fatal
// (exit status 1), so it returns only with a scene ready to draw. A tree that
// did not load gets one more line; the window goes on without it.
#pragma once

// fatalWaitsForKey: after a scene texture failure, wait for one character
// before exiting (the console window would otherwise close unread).
void initScene(bool fatalWaitsForKey = true);
