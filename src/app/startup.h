// Start-up: fixed GL state, camera matrices, every asset in its order.
#pragma once

bool initScene();
