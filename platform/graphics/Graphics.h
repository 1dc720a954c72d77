// The graphics unit: colours, fonts, brushes and pens, canvases, and the
// picture classes (TGraphic, TBitmap, TMetafile, TIcon, TPicture).
#pragma once

#include "platform/Export.h"
#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Graphic.h"
#include "platform/graphics/GraphicsObjects.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/ImageLimits.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/Picture.h"

// The unit initialisation; runs once (a run counter guards it). Registers the
// picture formats so that the list reads bmp ("Bitmaps", TBitmap), ico
// ("Icons", TIcon), emf ("Enhanced Metafiles", TMetafile), wmf ("Metafiles",
// TMetafile) from the front, and registers TBitmap, TMetafile, TIcon,
// TPicture and TFont with the class registry.
PLATFORM_API void InitGraphicsUnit();
