#include "app/capture.h"

#include <GL/gl.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/app_state.h"
#include "platform/platform.h"
#include "image/bmp_file.h"
#include "view/interaction_state.h"

// One report per capture run: a full disk must not flood the console with
// 800 lines, but a run that saves nothing must not look like a success.
static bool writeFailureReported = false;

void startCaptureRun()
{
    writeFailureReported = false;
    std::error_code ec;
    if (!std::filesystem::is_directory(kCaptureDirectory, ec)) std::filesystem::create_directory(kCaptureDirectory, ec);
    // A failure here shows as the first file that cannot be written.
}

bool captureFrame()
{
    const int32_t n = view.captureFrameNumber;
    if (n >= kCaptureFrameLimit) {
        consolePrintf("Stop capturing...\n");
        view.capturing = false;
        return true;
    }
    const std::string path = captureFilePath(n);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    writeBmp(path.c_str(), viewport[0], viewport[1], viewport[2], viewport[3]);
    view.captureFrameNumber += 1; // a frame that could not be saved still counts
    return false;
}

void writeBmp(const char* path, int x, int y, int width, int height)
{
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    if (!rgb.empty()) {
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    }
    std::string error;
    if (!writeBmpFile(path, width, height, rgb.data(), &error) && !writeFailureReported) {
        consolePrintf("Cannot write capture file %s: %s\n", path, error.c_str());
        writeFailureReported = true;
    }
}
