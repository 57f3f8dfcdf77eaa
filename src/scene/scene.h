// The scene: everything the simulation reads and writes, in one record. No
// OpenGL: the window program, the recorder, the exporter, tests and
// benchmarks all hold one. startSimulation once, then every frame the grass
// shading and the step, which runs while the frame's arrays, made before it,
// are drawn (frame/frame_pipeline.h).
#pragma once
#include <cstdint>
#include <string>

#include "grass/grass_field.h"
#include "grass/grass_shade.h"
#include "math/vec3.h"
#include "platform/random.h"
#include "scene/lawn.h"
#include "scene/placement.h"
#include "tree/leaf_template.h"
#include "tree/refine.h"
#include "tree/tree_model.h"
#include "wind/noise_field.h"
#include "wind/wind_driver.h"
#include "wind/wind_fronts.h"
#include "wind/wind_settings.h"

class WorkPool;

// What the next step is driven by.
struct SimulationInput {
    WindSettings wind;  // the wind of the moment, the next step's: driveWind sets it, a playing schedule moves it once per step
    bool refine = true; // refine the centre lines after the step (the shadow flag)
};

struct Scene {
    TreeModel tree;            // branches with leaves, rest copies, bounds, triangle figures
    LeafTemplate leafTemplate; // petiole and blade template from the leaf file
    WindField wind;            // u, v, w noise grids with their cursors
    GrassField grass;          // grass blades, file order
    ShadeGrid shade;           // cells under branch shadows: darkens the next frame's grass
    SimulationInput input;     // regime, magnitude, direction, refinement of the next step
    RefineScratch scratch;     // refinement scratch
    WindDriver windDriver;      // what drives the wind: the one owner; handed over with driveWind
    WindSettings lastWind;      // the wind the last step took; since driveWind, until a step, the next step's
    int64_t stepsTaken = 0;     // steps since set-up: the next step's time is stepsTaken x its time step
    Random random;              // every draw of this scene: grass load, then foliage (reseeded)
    WorkPool* pool = nullptr;   // the workers its steps share, handed in; null: WorkPool::shared()
    TreePlacement placement{};  // where the tree stands in the field; set before set-up
    FieldPoints fieldPoints;    // where each part samples the wind, on the field's ground: set-up fills it
    WindFronts fronts;          // this step's winds by distance downwind, while a schedule's fronts travel
    LawnExtent lawn{};          // the lawn the grass grows to at set-up; zero: the field as loaded
    bool lawnRefused = false;   // set-up left the field as loaded: that lawn would pass kMaxLawnBlades
};

// Which load groups succeeded; each group printed its own console line.
struct LoadReport {
    bool leaf = false;  // leaf template read (else the template stays as it was)
    bool noise = false; // all three noise grids read
    bool tree = false;  // tree file read, hierarchy built
    bool grass = false; // grass file read
    std::string failedFile; // the first file that did not load (of a noise group, the grid at fault)
    bool complete() const { return leaf && noise && tree && grass; }
};

// Reads the leaf template, the noise grids, the tree and the grass from the
// data folder, in that order, printing one console line per group as the
// window program always has. A failed group leaves its part empty and the
// rest still loads; the caller decides whether that is fatal.
LoadReport loadScene(Scene& scene, const std::string& dataDir);

// Rest state: foliage (seeded from *foliageSeed, or the tick count when
// null), bounds, wind placement, the lawn grown, refinement while tree.refined (true from
// construction), shade grid cleared. Prints nothing, cannot fail.
void setUpScene(Scene& scene, const uint32_t* foliageSeed);

// How a simulation starts: what startSimulation is handed.
struct SimulationStart {
    std::string dataDir;                // folder of the data files
    const uint32_t* foliageSeed = nullptr; // foliage seed; null: the tick count (the window)
    bool refined = true;                // centre lines refined (drawn programs); false: one joint per file point
    WorkPool* pool = nullptr;           // the workers its steps share; null: WorkPool::shared()
    TreePlacement placement{};          // where the tree stands in the field
    LawnExtent lawn{};                  // the lawn its grass grows to; zero: the field as loaded
};

// The one way into a simulation: loadScene from start.dataDir, then, with
// the workers and refinement given, setUpScene with the foliage seed. The
// scene should be new (its generator at the start state). Set-up runs even
// when a group failed, on what loaded; the report says what did.
LoadReport startSimulation(Scene& scene, const SimulationStart& start);
