// The library's knob on the noise cursors: how fast the wind scrolls through
// its periodic grids.
#include <cmath>
#include <string>

#include "api/scene_access.h"
#include "arborvane/arborvane.h"
#include "scene/scene.h"

namespace arborvane {

Result Simulation::setNoiseSpeed(const Point3& cellsPerStep)
{
    Scene* scene = SceneAccess::changeableScene(*this);
    if (!scene) return {false, isOpen() ? "setNoiseSpeed inside step" : "no data folder is open"};
    const int n = noiseGridSize();
    const double speed[3] = {cellsPerStep.x, cellsPerStep.y, cellsPerStep.z};
    for (double s : speed)
        // Above one period a cursor would wrap more than once per step.
        if (!std::isfinite(s) || s < 0 || s > n)
            return {false, "noise speed " + std::to_string(s) + " is outside 0.." + std::to_string(n)};
    for (NoiseField* f : {&scene->wind.u, &scene->wind.v, &scene->wind.w})
        for (int i = 0; i < 3; ++i) f->speed[i] = speed[i];
    return {};
}

Point3 Simulation::noiseSpeed() const
{
    const Scene* scene = SceneAccess::scene(*this);
    if (!scene) return {0, 0, 0};
    const double* s = scene->wind.u.speed;
    return {s[0], s[1], s[2]};
}

int Simulation::noiseGridSize() const
{
    const Scene* scene = SceneAccess::scene(*this);
    return scene ? scene->wind.u.size : 0;
}

} // namespace arborvane
