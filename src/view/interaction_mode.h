// What a drag moves. The values are the numbers of the menu entries that
// choose each mode ("Control wind" 1, "Control tree" 2, "Control light" 3).
#pragma once
#include <cstdint>

enum class InteractionMode : int32_t { windDirection = 1, tree = 2, light = 3 };
