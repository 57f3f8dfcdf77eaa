// The stand page's module: the one-tree binding and a door that opens the
// tree at its place in the field. The page runs one module per tree, all
// fed the same wind, so each tree keeps its own memory and steps as it
// would alone at that place (as arborvane::Stand's trees do). A module of
// its own, so the one-tree page stays as it was. The stand page offers no
// .glb, so its trees keep no poses for one (56 MB and 1-2 ms a step each).
#define ARBORVANE_LIVE_NO_CLIP
#include "live_binding.cpp"

extern "C" {

// av_open, with the tree at ground position (x, z) turned by turn degrees,
// its grass grown to a lawn of lawnX x lawnZ (0, 0: the field as loaded).
EMSCRIPTEN_KEEPALIVE int av_open_at(const char* dir, double x, double z, double turn, double lawnX, double lawnZ)
{
    Live& s = live();
    s.sim = std::make_unique<arborvane::Simulation>(arborvane::Workers{1});
    s.dataDir = dir;
    s.baseDir.clear();
    if (!report(s.sim->open(dir, arborvane::OpenOptions{{x, z, turn}, {lawnX, lawnZ}}))) return 0;
    std::string error;
    if (!loadTemplate(dir, error)) {
        s.message = error;
        return 0;
    }
    return 1;
}

} // extern "C"
