// The ground: a textured 200 x 200 square in 8 x 8 tiles at y = -4.6.
#pragma once

// Executed only while compiling groundList.
void drawGround();
