// Frame capture to numbered BMP files under ./image/.
#pragma once

// True when this call ended the capture.
bool captureFrame();
// Reads the rectangle of the colour buffer being drawn and writes it as BMP.
void writeBmp(const char* path, int x, int y, int width, int height);
// Called when F1 starts a capture run: creates ./image/ if it is missing and
// re-arms the one-line report of a file that cannot be written.
void startCaptureRun();
