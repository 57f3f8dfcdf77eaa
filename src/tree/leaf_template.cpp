#include "tree/leaf_template.h"

LeafTemplate leafTemplate;

const int32_t shadowOutlineFaces[kShadowOutlineFaces][3] = {
    {54, 0, 2},   {54, 1, 4},   {54, 4, 56},  {56, 4, 10},  {10, 4, 7},   {56, 10, 16},
    {16, 10, 14}, {56, 16, 17}, {18, 56, 17}, {24, 56, 18}, {24, 18, 20}, {31, 56, 24},
    {31, 24, 27}, {31, 54, 56}, {33, 54, 31}, {33, 0, 54}};

bool loadLeafModel(FILE* file, LeafTemplate&)
{
    if (file) std::fclose(file);
    return false;
}
