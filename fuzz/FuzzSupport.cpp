#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>

#include "fuzz/FuzzComponents.h"
#include "platform/gdi/GdiTest.h"
#include "platform/sysutils/Dialogs.h"
#include "platform/sysutils/SysUtils.h"
#include "tests/support/TestComponents.h"
#include "zeljpeg/Zeljpeg.h"

void FuzzInit() {
  static const bool done = [] {
    InitZeljpegUnit();
    RegisterFuzzComponents();
    RegisterTestComponents();
    // A reader's warning box would block or spam standard error.
    SetMessageBoxHandler([](const TMessageBoxRequest&) { return 1; });
    return true;
  }();
  (void)done;
}

void RunChecked(const std::function<void()>& call) {
  const gditest::HandleCounts before = gditest::LiveHandles();
  try {
    call();
  } catch (const Exception&) {
    // Bad data: the reader reported it.
  }
  const gditest::HandleCounts after = gditest::LiveHandles();
  if (!(after == before)) {
    std::fprintf(stderr,
                 "handle leak: dcs %d->%d bitmaps %d->%d palettes %d->%d brushes %d->%d "
                 "pens %d->%d metafiles %d->%d globals %d->%d\n",
                 before.dcs, after.dcs, before.bitmaps, after.bitmaps, before.palettes,
                 after.palettes, before.brushes, after.brushes, before.pens, after.pens,
                 before.metafiles, after.metafiles, before.globals, after.globals);
    std::abort();
  }
}
