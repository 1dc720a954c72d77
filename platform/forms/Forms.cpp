#include "platform/forms/Forms.h"

#include <algorithm>
#include <exception>
#include <mutex>

#include "platform/classes/Filer.h"
#include "platform/forms/Backend.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

const TEnumNames& BorderIconNames() {
  static const TEnumNames names{{"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}, {}};
  return names;
}

const TEnumNames& WindowStateNames() {
  static const TEnumNames names{{"wsNormal", "wsMinimized", "wsMaximized"}, {}};
  return names;
}

const TEnumNames& PositionNames() {
  static const TEnumNames names{
      {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
       "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"},
      {}};
  return names;
}

namespace {
// An exception other than Exception that escaped an event handler; raised
// again once the toolkit has returned from dispatching.
std::exception_ptr& PendingException() {
  static std::exception_ptr pending;
  return pending;
}

void RaisePending() {
  if (std::exception_ptr e = std::exchange(PendingException(), nullptr)) std::rethrow_exception(e);
}
}  // namespace

void DispatchGuarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const Exception& e) {
    if (Application != nullptr)
      Application->HandleException(e);
    else if (!PendingException())
      PendingException() = std::current_exception();
  } catch (...) {
    if (!PendingException()) PendingException() = std::current_exception();
  }
}

// ---------------------------------------------------------------------------
// TForm

TClass TForm::StaticClass() {
  static const TClassInfo info = TClassInfo::Make<TForm>(
      "TForm", inherited::StaticClass(),
      {
          rtti::Enum<TForm>("BorderStyle", FormBorderStyleNames(), &TForm::BorderStyle,
                            &TForm::SetBorderStyle, bsSizeable),
          rtti::SetOf<TForm>("BorderIcons", BorderIconNames(), &TForm::BorderIcons,
                             &TForm::SetBorderIcons,
                             (1 << biSystemMenu) | (1 << biMinimize) | (1 << biMaximize)),
          rtti::String<TForm>("Caption", &TForm::Caption, &TForm::SetCaption),
          rtti::Int<TForm>("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth),
          rtti::Int<TForm>("ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight),
          rtti::Color<TForm>("Color", ColorNames(), &TForm::Color, &TForm::SetColor, clBtnFace),
          rtti::Component<TForm>("ActiveControl", TWinControl::StaticClass(), &TForm::ActiveControl,
                                 &TForm::SetActiveControl),
          rtti::Object<TForm>("Font", TFont::StaticClass(), &TForm::Font),
          rtti::Object<TForm>("Icon", TIcon::StaticClass(), &TForm::Icon),
          rtti::Enum<TForm>("Position", PositionNames(), &TForm::Position, &TForm::SetPosition,
                            poDesigned),
          rtti::Bool<TForm>("Scaled", &TForm::Scaled, &TForm::SetScaled, true),
          rtti::Int<TForm>("PixelsPerInch", &TForm::PixelsPerInch, &TForm::SetPixelsPerInch),
          rtti::Int<TForm>("TextHeight", &TForm::TextHeight, &TForm::SetTextHeight),
          rtti::Bool<TForm>("Visible", &TForm::Visible, &TForm::SetVisible, false),
          rtti::Enum<TForm>("WindowState", WindowStateNames(), &TForm::WindowState,
                            &TForm::SetWindowState, wsNormal),
          rtti::Event<TControl>("OnClick", &TControl::OnClick),
          rtti::Event<TForm>("OnShow", &TForm::OnShow),
      });
  return &info;
}

TForm::TForm(TComponent* owner) : TWinControl(owner), icon_(std::make_unique<TIcon>()) {
  // A form starts hidden; Visible in its description or Show shows it.
  TControl::SetVisible(false);
  client_width_ = 320;
  client_height_ = 240;
  Font()->SetName("MS Sans Serif");
  Font()->SetHeight(-11);
}

TForm::~TForm() {
  DestroyPeer();
  // Controls owned by the form are freed with it (TComponent); those owned
  // elsewhere lose their parent in ~TWinControl.
  DestroyComponents();
  if (Application != nullptr) Application->FormDestroyed(this);
}

void TForm::SetClientWidth(int width) {
  if (width == client_width_) return;
  client_width_ = width;
  const TFrameExtents f = Frame();
  width_ = client_width_ + f.Left + f.Right;
  AlignControls();
  if (peer_) peer_->UpdateBounds();
}

void TForm::SetClientHeight(int height) {
  if (height == client_height_) return;
  client_height_ = height;
  const TFrameExtents f = Frame();
  height_ = client_height_ + f.Top + f.Bottom;
  AlignControls();
  if (peer_) peer_->UpdateBounds();
}

TFrameExtents TForm::Frame() {
  TCreateParams params;
  TWindowState saved = window_state_;
  CreateParams(params);
  window_state_ = saved;  // measuring must not change the state
  return FormsBackend().FrameFor(params);
}

void TForm::SetBounds(int left, int top, int width, int height) {
  const TFrameExtents f = Frame();
  // Only a changed outer size changes the client size, so that moving a
  // form keeps the client size it was given.
  if (width != width_) client_width_ = std::max(0, width - f.Left - f.Right);
  if (height != height_) client_height_ = std::max(0, height - f.Top - f.Bottom);
  left_ = left;
  top_ = top;
  width_ = client_width_ + f.Left + f.Right;
  height_ = client_height_ + f.Top + f.Bottom;
  AlignControls();
  if (peer_) {
    FormPeer()->MoveTo(left, top);
    peer_->UpdateBounds();
  }
}

void TForm::SetActiveControl(TWinControl* control) {
  if (control == active_control_) return;
  if (control != nullptr) {
    if (control == this || control->ParentForm() != this)
      throw EInvalidOperation("Invalid active control");
    if (!Loading() && HandleAllocated() && Showing() && !control->CanFocus())
      throw EInvalidOperation("Cannot focus a disabled or invisible window");
  }
  active_control_ = control;
  if (control != nullptr && HandleAllocated() && Showing() && control->Peer() != nullptr)
    control->Peer()->TakeFocus();
}

void TForm::SetVisible(bool visible) {
  if (Loading()) {
    // Read from a description: recorded; the form shows when it is shown
    // by the application (or by CreateForm).
    TControl::SetVisible(visible);
    return;
  }
  if (visible) {
    TControl::SetVisible(true);
    ShowWindow();
  } else {
    TControl::SetVisible(false);
  }
}

void TForm::Close() {
  Hide();
  if (Application != nullptr && Application->MainForm() == this) Application->Terminate();
}

void TForm::CreateParams(TCreateParams& params) {
  params.Caption = Caption();
  params.Style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  params.ExStyle = 0;
  params.X = left_;
  params.Y = top_;
  params.Width = width_;
  params.Height = height_;
  switch (border_style_) {
    case bsNone:
      break;
    case bsSingle:
    case bsToolWindow:
      params.Style |= WS_CAPTION;
      break;
    case bsSizeable:
    case bsSizeToolWin:
      params.Style |= WS_CAPTION | WS_THICKFRAME;
      break;
    case bsDialog:
      params.Style |= WS_CAPTION;
      params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
  }
  if (border_style_ == bsToolWindow || border_style_ == bsSizeToolWin)
    params.ExStyle |= WS_EX_TOOLWINDOW;
  if (border_style_ != bsNone && (border_icons_ & (1 << biSystemMenu))) {
    params.Style |= WS_SYSMENU;
    if (border_style_ == bsSingle || border_style_ == bsSizeable) {
      if (border_icons_ & (1 << biMinimize)) params.Style |= WS_MINIMIZEBOX;
      if (border_icons_ & (1 << biMaximize)) params.Style |= WS_MAXIMIZEBOX;
    }
  }
  // Only single and sizeable windows can open maximised or minimised.
  if (border_style_ != bsSingle && border_style_ != bsSizeable) window_state_ = wsNormal;
  if (window_state_ == wsMaximized) params.Style |= WS_MAXIMIZE;
}

std::unique_ptr<TControlPeer> TForm::MakePeer(TControlPeer&) {
  return nullptr;  // a form's window is made by CreateWindow
}

TFormPeer* TForm::FormPeer() const {
  return static_cast<TFormPeer*>(peer_.get());
}

void TForm::CreatePeer() {
  CreateWindow();
}

void TForm::DestroyPeer() {
  TWinControl::DestroyPeer();
}

void TForm::CreateWindow() {
  if (peer_) return;
  if (!FormsBackend().DisplayOpen())
    throw EInvalidOperation("Cannot create a window: no display is available");
  TCreateParams params;
  CreateParams(params);
  peer_ = FormsBackend().CreateFormPeer(*this, params);
  const TFrameExtents f = FormsBackend().FrameFor(params);
  width_ = client_width_ + f.Left + f.Right;
  height_ = client_height_ + f.Top + f.Bottom;
  AlignControls();
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->CreatePeer();
}

void TForm::ShowWindow() {
  CreateWindow();
  TFormPeer* peer = FormPeer();
  if (!shown_once_) {
    int left = left_, top = top_;
    if (window_state_ == wsMaximized) {
      left = top = 0;
      SetBounds(0, 0, Screen->Width(), Screen->Height());
    } else if (position_ == poScreenCenter || position_ == poDesktopCenter) {
      left = std::max(0, (Screen->Width() - peer->WindowWidth()) / 2);
      top = std::max(0, (Screen->Height() - peer->WindowHeight()) / 2);
    }
    left_ = left;
    top_ = top;
    peer->MoveTo(left, top);
  }
  peer->UpdateVisible();
  if (!shown_once_) {
    shown_once_ = true;
    FocusInitialControl();
    if (OnShow) OnShow(this);
  }
}

void TForm::FocusInitialControl() {
  TWinControl* target = active_control_;
  if (target == nullptr || !target->CanFocus()) {
    const auto list = TabList();
    target = list.empty() ? nullptr : list.front();
  }
  if (target != nullptr) {
    active_control_ = target;
    if (target->Peer()) target->Peer()->TakeFocus();
  }
}

void TForm::Loaded() {
  inherited::Loaded();
}

std::vector<TWinControl*> TForm::TabList() const {
  std::vector<TWinControl*> result;
  std::function<void(const TWinControl*)> collect = [&](const TWinControl* container) {
    std::vector<TWinControl*> children;
    for (int i = 0; i < container->ControlCount(); ++i)
      if (auto* w = Is<TWinControl>(container->Controls(i))
                        ? static_cast<TWinControl*>(container->Controls(i))
                        : nullptr)
        children.push_back(w);
    std::stable_sort(children.begin(), children.end(),
                     [](TWinControl* a, TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
    for (TWinControl* w : children) {
      if (!w->Visible() || !w->Enabled()) continue;
      if (w->TabStop()) result.push_back(w);
      collect(w);
    }
  };
  collect(this);
  return result;
}

void TForm::SelectNext(TWinControl* current, bool forward) {
  const auto list = TabList();
  if (list.empty()) return;
  auto it = std::find(list.begin(), list.end(), current);
  TWinControl* next;
  if (it == list.end()) {
    next = forward ? list.front() : list.back();
  } else {
    const size_t i = static_cast<size_t>(it - list.begin());
    next = forward ? list[(i + 1) % list.size()] : list[(i + list.size() - 1) % list.size()];
  }
  active_control_ = next;
  if (next->Peer()) next->Peer()->TakeFocus();
}

void TForm::FocusReceived(TWinControl* control) {
  if (control != nullptr && control->ParentForm() == this) active_control_ = control;
}

void TForm::ReadFormResource(const std::string& resource_name) {
  ReadComponentRes(resource_name, this);
}

// ---------------------------------------------------------------------------
// TScreen

int TScreen::Width() const {
  if (width_ > 0) return width_;
  return FormsBackend().DisplayOpen() ? FormsBackend().ScreenWidth() : 0;
}

int TScreen::Height() const {
  if (height_ > 0) return height_;
  return FormsBackend().DisplayOpen() ? FormsBackend().ScreenHeight() : 0;
}

void TScreen::SetSize(int width, int height) {
  width_ = width;
  height_ = height;
}

// ---------------------------------------------------------------------------
// TApplication

VASK_DEFINE_CLASS(TApplication)

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication() {
  DestroyComponents();
}

void TApplication::Initialize() {
  if (FormsBackend().OpenDisplay())
    SetMessageBoxHandler(
        [](const TMessageBoxRequest& request) { return FormsBackend().MessageBox(request); });
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  if (main_form_ != nullptr && main_form_->Peer() != nullptr)
    main_form_->Peer()->UpdateAppearance();
}

void TApplication::Run() {
  if (main_form_ == nullptr) return;
  terminated_ = false;
  main_form_->Show();
  while (!terminated_) HandleMessage();
}

void TApplication::ProcessMessages() {
  FormsBackend().DispatchPending();
  RaisePending();
}

void TApplication::HandleMessage() {
  // With no window shown the wait is bounded, so that a program whose
  // windows are all hidden still notices Terminate.
  FormsBackend().WaitAndDispatch(FormsBackend().AnyWindowShown() ? -1.0 : 0.05);
  RaisePending();
}

void TApplication::ShowException(const Exception& e) {
  TMessageBoxRequest request;
  request.Text = e.Message() + ".";
  request.Caption = title_;
  request.Type = mtError;
  request.Buttons = MsgButtons(mbOK);
  ShowMessageBox(request);
}

void TApplication::HandleException(const Exception& e) {
  ShowException(e);
}

void TApplication::FormDestroyed(TForm* form) {
  if (form == main_form_) main_form_ = nullptr;
}

// ---------------------------------------------------------------------------

void InitFormsUnit() {
  // Once, also when several threads start at the same time.
  static std::once_flag once;
  std::call_once(once, [] {
    InitGraphicsUnit();
    // The application's forms free their bitmaps and other GDI objects when
    // the program ends, so the GDI handle table has to outlive the application
    // object: using it first makes it built before, and destroyed after, it.
    if (HDC dc = GetDC(nullptr)) ReleaseDC(nullptr, dc);
    static std::unique_ptr<TApplication> application = std::make_unique<TApplication>(nullptr);
    static std::unique_ptr<TScreen> screen = std::make_unique<TScreen>();
    Application = application.get();
    Screen = screen.get();
    RegisterClasses({TForm::StaticClass(), TButton::StaticClass(), TMemo::StaticClass(),
                     TImage::StaticClass()});
  });
}
