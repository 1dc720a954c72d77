// The modal message box: the system's own MessageBoxA.
#include <bitset>

#include "platform/forms/win32/Win32Backend.h"

namespace win32_backend {

namespace {

// The system's button sets, smallest first, with the buttons each shows.
struct ButtonSet {
  UINT flags;
  TMsgDlgButtons buttons;
};
constexpr ButtonSet kButtonSets[] = {
    {MB_OK, MsgButtons(mbOK)},
    {MB_OKCANCEL, MsgButtons(mbOK) | MsgButtons(mbCancel)},
    {MB_YESNO, MsgButtons(mbYes) | MsgButtons(mbNo)},
    {MB_RETRYCANCEL, MsgButtons(mbRetry) | MsgButtons(mbCancel)},
    {MB_YESNOCANCEL, MsgButtons(mbYes) | MsgButtons(mbNo) | MsgButtons(mbCancel)},
    {MB_ABORTRETRYIGNORE, MsgButtons(mbAbort) | MsgButtons(mbRetry) | MsgButtons(mbIgnore)},
};

}  // namespace

UINT MessageBoxFlags(const TMessageBoxRequest& request) {
  UINT flags = 0;
  switch (request.Type) {
    case mtWarning:
      flags |= MB_ICONWARNING;
      break;
    case mtError:
      flags |= MB_ICONERROR;
      break;
    case mtInformation:
      flags |= MB_ICONINFORMATION;
      break;
    case mtConfirmation:
      flags |= MB_ICONQUESTION;
      break;
    case mtCustom:
      break;
  }
  if (request.Buttons & MsgButtons(mbHelp)) flags |= MB_HELP;
  // The system has no "All" button; it answers Yes, so a Yes button stands
  // for it.
  TMsgDlgButtons wanted = request.Buttons & ~MsgButtons(mbHelp);
  if (wanted & MsgButtons(mbAll)) wanted = (wanted & ~MsgButtons(mbAll)) | MsgButtons(mbYes);
  // The smallest set that holds every requested button; when none does,
  // the one that holds the most of them (the first of equals).
  const ButtonSet* best = &kButtonSets[0];
  size_t best_shared = 0;
  for (const ButtonSet& set : kButtonSets) {
    if ((set.buttons & wanted) == wanted) {
      best = &set;
      break;
    }
    const size_t shared = std::bitset<32>(set.buttons & wanted).count();
    if (shared > best_shared) {
      best = &set;
      best_shared = shared;
    }
  }
  return flags | best->flags;
}

int ModalResultOf(int answer) {
  switch (answer) {
    case IDOK:
      return mrOk;
    case IDCANCEL:
      return mrCancel;
    case IDABORT:
      return mrAbort;
    case IDRETRY:
      return mrRetry;
    case IDIGNORE:
      return mrIgnore;
    case IDYES:
      return mrYes;
    case IDNO:
      return mrNo;
    default:
      return mrNone;
  }
}

int ShowSystemMessageBox(const TMessageBoxRequest& request) {
  UINT flags = MessageBoxFlags(request);
  // Modal to the program's active form; with none, to all of its windows.
  HWND owner = GetActiveWindow();
  if (FormPeer::FromWindow(owner) == nullptr) {
    owner = nullptr;
    flags |= MB_TASKMODAL;
  }
  const int answer = MessageBoxA(owner, request.Text.c_str(), request.Caption.c_str(), flags);
  if (answer == 0) throw EInvalidOperation("Cannot show the message box");
  return ModalResultOf(answer);
}

}  // namespace win32_backend
