// Noise grid reader: an accepted grid is n^3 finite values, and the sampler
// stays inside it whatever the coordinates and cursor. (The values are only
// nearly 0..1: the rescale uses the extremes rounded to floats.)
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "fuzz_input.h"
#include "wind/noise_field.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzz_input::writeScratch(data, size)) return 0;
    int32_t n = 0;
    std::unique_ptr<double[]> values;
    if (!loadNoiseFile(fuzz_input::scratchPath().c_str(), values, n)) {
        if (values) std::abort(); // a rejection hands back no array
        return 0;
    }
    if (!values || n < 1 || n > kMaxNoiseSize) std::abort();
    const long total = static_cast<long>(n) * n * n;
    for (long i = 0; i < total; ++i)
        if (!std::isfinite(values[i])) std::abort();

    NoiseField field;
    field.size = n;
    field.values = std::move(values);
    // Coordinates and cursor taken from the input's first bytes.
    double probe[6] = {};
    std::memcpy(probe, data, size < sizeof probe ? size : sizeof probe);
    for (int k = 0; k < 3; ++k) field.offset[k] = std::isfinite(probe[k + 3]) ? std::fmod(probe[k + 3], n) : 0.0;
    const double corners[][3] = {{0, 0, 0}, {1, 1, 1}, {0.5, 0.999999, 0.0}, {probe[0], probe[1], probe[2]}};
    for (const auto& c : corners) {
        const double s = sampleNoise(field, c[0], c[1], c[2]);
        if (!std::isfinite(s) && std::isfinite(c[0]) && std::isfinite(c[1]) && std::isfinite(c[2])) std::abort();
    }
    return 0;
}
