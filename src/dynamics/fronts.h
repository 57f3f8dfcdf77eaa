// The step's table of travelling fronts (wind/wind_fronts.h), made from the
// scene's playing schedule and its field points.
#pragma once

struct Scene;

// Whether the scene's wind has travelling fronts: a playing schedule with a
// front speed (a constant wind has none).
bool frontsPlay(const Scene& scene);
// Fills scene.fronts for the step at `seconds` of the schedule's time at the
// origin. Distances are measured along the horizontal part of the wind at
// the origin at that time (scene.input.wind), from the field points set up
// with the scene; when the wind veers, the whole field is measured along the
// one direction of the moment.
void buildWindFronts(Scene& scene, double seconds);
