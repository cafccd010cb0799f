// The application object: title, forms in creation order, the message loop and the handler
// error display.
#pragma once

#include <exception>
#include <functional>
#include <new>
#include <string>

#include "framework/Backend.h"
#include "framework/Component.h"
#include "framework/Form.h"
#include "framework/System.h"

namespace fw {

class TApplication : public TComponent, private ApplicationEvents {
 public:
  TApplication(Backend& backend, const System& system);
  ~TApplication() override;

  Backend& GetBackend() const { return backend_; }
  // Files in the current directory, the clocks and the locale's rule for letter case.
  FileAccess& Files() const { return system_.Files; }
  Clock& Clocks() const { return system_.Clocks; }
  Locale& Texts() const { return system_.Texts; }

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);

  // Sets the reference before construction begins, so that handlers run during construction
  // find the form. A failed construction destroys what was built, resets the reference and
  // passes the error on.
  template <class TFormClass>
  void CreateForm(TFormClass*& reference) {
    void* memory = ::operator new(sizeof(TFormClass));
    reference = static_cast<TFormClass*>(memory);
    TFormClass* form = nullptr;
    try {
      form = new (memory) TFormClass(this);
    } catch (...) {
      ::operator delete(memory);
      reference = nullptr;
      throw;
    }
    FormConstructed(form);
  }

  TForm* MainForm() const { return mainForm_; }

  // Shows the main form as the process was asked to start (a minimized start shows only the
  // taskbar button, and the main form when the program is restored), then handles messages
  // until the terminate flag is set.
  void Run();
  // Handles every pending message and returns when none is left.
  void ProcessMessages();
  // Handles one message, or waits for one when the queue is empty.
  void HandleMessage();
  // Asks the loop to end: posts the quit message.
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Hides the owned windows on screen, then destroys the forms, the last created first.
  void DestroyForms();

  // Shows an error that escaped a handler, and returns.
  void HandleException(const std::exception& error);
  // Runs an event handler; an error that escapes it goes to the handler error display.
  void Guard(const std::function<void()>& handler) noexcept;
  // Calls a notification, when one is bound, with its sender, as Guard runs a handler.
  void Fire(const TNotifyEvent& handler, TObject* sender) noexcept;

 private:
  void FormConstructed(TForm* form);
  bool ProcessMessage();
  void PlatformCloseMainForm() override;
  void PlatformEndSession() override;
  void PlatformRestore() override;

  Backend& backend_;
  System system_;
  std::string title_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
};

// The one application object of the process.
extern TApplication* Application;

}  // namespace fw
