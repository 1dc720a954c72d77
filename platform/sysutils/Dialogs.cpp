#include "platform/sysutils/Dialogs.h"

#include <cstdio>
#include <mutex>
#include <thread>

namespace {
// The one replaceable box function of the program, and the thread that
// installed it: the thread of the forms and their message loop.
struct HandlerSlot {
  std::mutex mutex;
  TMessageBoxHandler handler;
  std::thread::id thread;
};

HandlerSlot& Handler() {
  static HandlerSlot slot;
  return slot;
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
  TMessageBoxHandler handler;
  {
    HandlerSlot& slot = Handler();
    std::lock_guard<std::mutex> lock(slot.mutex);
    if (slot.thread == std::this_thread::get_id()) handler = slot.handler;
  }
  if (handler) return handler(request);
  std::fprintf(stderr, "%s: %s\n", request.Caption.c_str(), request.Text.c_str());
  return mrOk;
}

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler) {
  HandlerSlot& slot = Handler();
  std::lock_guard<std::mutex> lock(slot.mutex);
  TMessageBoxHandler previous = std::move(slot.handler);
  slot.handler = std::move(handler);
  slot.thread = std::this_thread::get_id();
  return previous;
}

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
               int help_context) {
  return ShowMessageBox({text, CaptionOf(type), type, buttons, help_context});
}
