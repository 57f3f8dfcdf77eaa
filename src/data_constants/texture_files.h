// The ten 24-bit BMP textures under the data folder.
#pragma once

enum SceneTextureIndex { kTrunkTexture, kBranchTexture, kGroundTexture, kLeafUpperTexture, kLeafLowerTexture,
                         kPetioleTexture, kSceneTextureCount };

// Indexed by SceneTextureIndex; a failure to load any of them is fatal.
inline constexpr const char* kSceneTextureNames[kSceneTextureCount] = {
    "tree/tulip_trunk.bmp",    "tree/tulip_branch.bmp",    "tree/ground.bmp",
    "tree/poplar_leafup.bmp",  "tree/poplar_leafdown.bmp", "tree/poplar_petiole.bmp"};

constexpr int kGrassTextureCount = 4;
inline constexpr const char* kGrassTextureNames[kGrassTextureCount] = {"grass/grass01.bmp", "grass/grass02.bmp",
                                                                       "grass/grass03.bmp", "grass/grass04.bmp"};
