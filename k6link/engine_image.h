#pragma once
// The configuration image as the engine sees it: the module's 4 MiB memory at module addresses,
// owned by the engine for the whole run. The engine and its operations reach the image only
// through ConfigImageType's at(), set() and block(), so the image type is chosen here and nowhere
// else.

#include "k6config/config_image.h"

namespace dalvex::k6link {

using ConfigImageType = k6config::ConfigImage;

} // namespace dalvex::k6link
