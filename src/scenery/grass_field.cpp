#include "scenery/grass_field.h"

#include "platform/platform.h"

GrassBlade::GrassBlade()
{
    const int r1 = randomInt();
    const int r2 = randomInt();
    const int r3 = randomInt();
    dampingRatio = (2.0 * r1 / 32767.0 - 1.0) * 0.02 + 0.12;
    frequency = (2.0 * r2 / 32767.0 - 1.0) * 0.2 + 1.2;
    stiffness = (2.0 * r3 / 32767.0 - 1.0) * 0.1 + 1.0;
}
