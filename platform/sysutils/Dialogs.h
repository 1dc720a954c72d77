// Modal message boxes. Every box of the program goes through one platform
// function, so that the forms layer can show real dialogs and tests can record
// what would have been shown.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Export.h"

// The kind of box: sets the caption of MessageDlg and the icon.
enum TMsgDlgType : uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons, as a bit mask of (1 << TMsgDlgBtn).
enum TMsgDlgBtn : uint8_t {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbHelp
};
using TMsgDlgButtons = uint32_t;
constexpr TMsgDlgButtons MsgButtons(TMsgDlgBtn b) {
  return 1u << b;
}

// Modal results returned by a box.
enum : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7
};

// One box to show.
struct PLATFORM_API TMessageBoxRequest {
  std::string Text;
  std::string Caption;
  TMsgDlgType Type = mtInformation;
  TMsgDlgButtons Buttons = MsgButtons(mbOK);
  int HelpContext = 0;
};

using TMessageBoxHandler = std::function<int(const TMessageBoxRequest&)>;

// Shows a box through the installed handler and returns its modal result.
// With no handler installed (no display), and on any thread other than the
// one that installed the handler (boxes belong to the thread of the forms and
// the message loop), it writes one line "<caption>: <text>" to standard
// error and returns mrOk. May be called from any thread.
PLATFORM_API int ShowMessageBox(const TMessageBoxRequest& request);

// Installs the handler that shows boxes (the forms layer installs a dialog,
// tests a recorder) for boxes requested on the calling thread; returns the
// previous one. An empty handler restores the standard-error fallback.
PLATFORM_API TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);

// A box captioned by its type ("Warning", "Error", "Information", "Confirm").
PLATFORM_API int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
                            int help_context);
