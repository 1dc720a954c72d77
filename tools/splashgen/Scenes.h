// The launcher's artwork: a northern-lights night over mountains and a lake,
// and a matching window icon.
#pragma once

#include "tools/splashgen/Canvas.h"

namespace splashgen {

// The 640 x 480 splash picture with the product name.
Canvas RenderSplash();
// The 32 x 32 icon scene, before reduction to 16 colours.
Canvas RenderIcon();

}  // namespace splashgen
