#include "platform/sysutils/Dialogs.h"

#include <cstdio>

namespace {
// The one replaceable box function of the program.
TMessageBoxHandler& Handler() {
  static TMessageBoxHandler handler;
  return handler;
}

const char* CaptionOf(TMsgDlgType type) {
  switch (type) {
    case mtWarning:
      return "Warning";
    case mtError:
      return "Error";
    case mtInformation:
      return "Information";
    case mtConfirmation:
      return "Confirm";
    default:
      return "";
  }
}
}  // namespace

int ShowMessageBox(const TMessageBoxRequest& request) {
  if (Handler()) return Handler()(request);
  std::fprintf(stderr, "%s: %s\n", request.Caption.c_str(), request.Text.c_str());
  return mrOk;
}

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler) {
  TMessageBoxHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
               int help_context) {
  return ShowMessageBox({text, CaptionOf(type), type, buttons, help_context});
}
