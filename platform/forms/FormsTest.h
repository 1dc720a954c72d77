// Test support for the forms layer: what the backend made of a form's
// window, its pixels as shown, and user input sent through the toolkit's
// own event dispatch. Not for program code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/forms/Forms.h"

// What the toolkit shows for a form's window.
struct TWindowFacts {
  bool Created = false;
  bool Shown = false;
  // Title bar and caption buttons drawn by the window manager.
  bool Decorated = false;
  // A raised 3-pixel frame drawn by the window itself.
  bool RaisedFrame = false;
  // Outer rectangle on the screen.
  int Left = 0, Top = 0, Width = 0, Height = 0;
  // The client area within the window.
  int ClientLeft = 0, ClientTop = 0, ClientWidth = 0, ClientHeight = 0;
};
TWindowFacts WindowFacts(TForm& form);

// Handles pending events and redraws every window now.
void FlushWindows();

// The window's pixels as shown on the display, red, green, blue per pixel,
// rows top to bottom (Width * Height * 3 bytes). The window must be shown
// and not covered.
std::vector<uint8_t> ReadWindowPixels(TForm& form);

// A mouse click (press and release of a button: 1 left, 2 middle, 3 right)
// at (x, y) of the form's client area, delivered through the toolkit's event
// dispatch as if the user clicked there.
void ClickAt(TForm& form, int x, int y, int button = 1);
// A click in the middle of control.
void ClickControl(TControl& control, int button = 1);
// A key press (VK_TAB, VK_RETURN, VK_SPACE, VK_ESCAPE) delivered to the
// form's window through the toolkit's dispatch.
void PressKey(TForm& form, int virtual_key, bool shift = false);

// The control whose widget has the toolkit's keyboard focus, or null.
TControl* ToolkitFocus(TForm& form);
// Whether the control's widget is shown by the toolkit.
bool WidgetShown(TControl& control);
// The text a memo's widget shows.
std::string MemoWidgetText(TMemo& memo);
