// Every file of a data folder, in the order start-up reads them.
#pragma once
#include <string>
#include <vector>

#include "data_constants/grass_file.h"
#include "data_constants/leaf_file.h"
#include "data_constants/noise_file.h"
#include "data_constants/texture_files.h"
#include "data_constants/tree_file.h"

inline std::vector<std::string> dataFileNames()
{
    std::vector<std::string> names(std::begin(kSceneTextureNames), std::end(kSceneTextureNames));
    names.insert(names.end(), std::begin(kGrassTextureNames), std::end(kGrassTextureNames));
    names.push_back(kLeafFileName);
    names.insert(names.end(), std::begin(kNoiseFileNames), std::end(kNoiseFileNames));
    names.push_back(kTreeFileName);
    names.push_back(kGrassFileName);
    return names;
}
