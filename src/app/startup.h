// Start-up of the window program: GL state, textures, the scene's files,
// set-up, light. Prints the load lines; a scene texture failure is fatal.
#pragma once

// fatalWaitsForKey: after a scene texture failure, wait for one character
// before exiting (the console window would otherwise close unread).
bool initScene(bool fatalWaitsForKey = true);
