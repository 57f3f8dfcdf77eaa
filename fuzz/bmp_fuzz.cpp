// BMP reader: the in-memory parser and the file reader must agree.
#include <cstdlib>

#include "fuzz_input.h"
#include "image/bmp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BmpImage fromMemory;
    std::string memoryError;
    const bool parsed = parseBmp(data, size, fromMemory, &memoryError);
    if (parsed) {
        // An accepted image holds exactly the padded rows of its size.
        if (fromMemory.width <= 0 || fromMemory.height <= 0) std::abort();
        if (fromMemory.pixels.size() != bmpRowStride(fromMemory.width) * static_cast<size_t>(fromMemory.height))
            std::abort();
    } else if (memoryError.empty()) {
        std::abort(); // a rejection always says why
    }

    if (!fuzz_input::writeScratch(data, size)) return 0;
    BmpImage fromFile;
    std::string fileError;
    const bool read = readBmpFile(fuzz_input::scratchPath().c_str(), fromFile, &fileError);
    if (read != parsed) std::abort();
    if (read && (fromFile.width != fromMemory.width || fromFile.height != fromMemory.height ||
                 fromFile.pixels != fromMemory.pixels))
        std::abort();
    return 0;
}
