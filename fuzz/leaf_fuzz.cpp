// Leaf model reader: any accepted template has faces inside the vertex table,
// and a rejected file leaves the template as it was.
#include <cstdlib>
#include <cstring>

#include "fuzz_input.h"
#include "tree/leaf_template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzz_input::writeScratch(data, size)) return 0;
    static LeafTemplate tmpl;
    static LeafTemplate before;
    tmpl = LeafTemplate{};
    tmpl.bladeFaces[0][0] = 7; // a marker a rejection must not touch
    before = tmpl;
    FILE* file = std::fopen(fuzz_input::scratchPath().c_str(), "r");
    if (!file) return 0;
    if (loadLeafModel(file, tmpl)) {
        for (const auto& face : tmpl.bladeFaces)
            for (int32_t v : face)
                if (v < 0 || v >= kBladeVertices) std::abort();
    } else if (std::memcmp(&tmpl.bladeFaces, &before.bladeFaces, sizeof tmpl.bladeFaces) != 0) {
        std::abort();
    }
    return 0;
}
