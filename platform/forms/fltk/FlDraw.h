// The toolkit's drawing header. It pulls in X11's headers, whose type named
// Screen would clash with the forms layer's Screen object and whose macros
// (Bool, Status, True, False, None) with names used by the class library; the
// type is renamed while they are read and the macros are removed afterwards.
#pragma once

#define Screen X11Screen
#include <FL/fl_draw.H>
#undef Screen
#undef Bool
#undef Status
#undef True
#undef False
#undef None
