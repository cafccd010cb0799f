// The application object.
#include "framework/Application.h"

#include "base/Exception.h"
#include "framework/ErrorText.h"

namespace fw {

TApplication* Application = nullptr;

TApplication::TApplication(Backend& backend, const System& system)
    : TComponent(nullptr), backend_(backend), system_(system) {
  Application = this;
  backend_.CreateApplicationWindow(*this);
}

TApplication::~TApplication() {
  DestroyForms();
  Application = nullptr;
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  backend_.SetTitle(title);
}

void TApplication::FormConstructed(TForm* form) {
  form->AfterConstruction();
  if (mainForm_ == nullptr) {
    mainForm_ = form;
    form->HandleNeeded();
  }
}

void TApplication::Run() {
  if (mainForm_ != nullptr) {
    switch (backend_.StartupShowCommand()) {
      case TWindowState::Minimized:
        // Nothing of the main form shows or takes the focus on the way.
        mainForm_->SetWindowState(TWindowState::Minimized);
        backend_.ShowApplicationWindow(true);
        break;
      case TWindowState::Maximized:
        mainForm_->SetWindowState(TWindowState::Maximized);
        backend_.ShowApplicationWindow(false);
        mainForm_->Show();
        break;
      case TWindowState::Normal:
        backend_.ShowApplicationWindow(false);
        mainForm_->Show();
        break;
    }
  }
  while (!terminated_) {
    HandleMessage();
  }
}

bool TApplication::ProcessMessage() {
  switch (backend_.ProcessOneMessage()) {
    case Backend::MessageResult::None:
      return false;
    case Backend::MessageResult::Quit:
      terminated_ = true;
      return true;
    case Backend::MessageResult::Dispatched:
      return true;
  }
  return false;
}

void TApplication::ProcessMessages() {
  while (ProcessMessage()) {
  }
}

void TApplication::HandleMessage() {
  if (!ProcessMessage()) {
    backend_.WaitMessage();
  }
}

void TApplication::Terminate() {
  backend_.PostQuit();
}

void TApplication::DestroyForms() {
  if (Components().empty()) {
    return;
  }
  backend_.HideOwnedPopups();
  DestroyComponents();
  mainForm_ = nullptr;
}

void TApplication::HandleException(const std::exception& error) {
  backend_.CancelMouseCapture();
  const auto* own = dynamic_cast<const base::Exception*>(&error);
  std::string message = own != nullptr ? own->Message() : std::string(error.what());
  backend_.ShowHandlerErrorBox(HandlerErrorText(message), title_);
}

void TApplication::Guard(const std::function<void()>& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& error) {
    try {
      HandleException(error);
    } catch (...) {
      // The display itself failed (out of memory): nothing more can be shown.
    }
  }
}

void TApplication::Fire(const TNotifyEvent& handler, TObject* sender) noexcept {
  if (handler) {
    Guard([&] { handler(sender); });
  }
}

void TApplication::PlatformCloseMainForm() {
  Guard([this] { Terminate(); });
}

void TApplication::PlatformEndSession() {
  terminated_ = true;
}

void TApplication::PlatformRestore() {
  Guard([this] {
    // A main form that a minimized start kept hidden shows now, in the normal state.
    if (mainForm_ != nullptr && !mainForm_->Visible() &&
        mainForm_->WindowState() == TWindowState::Minimized) {
      mainForm_->SetWindowState(TWindowState::Normal);
      mainForm_->Show();
    }
  });
}

}  // namespace fw
