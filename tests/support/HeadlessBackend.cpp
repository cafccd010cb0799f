// A back end without windows, for the unit tests.
#include "HeadlessBackend.h"

#include <algorithm>
#include <stdexcept>

namespace headless {

namespace {

// Signed distance, so that comparisons stay right across the clock's wrap.
bool Reached(std::uint32_t now, std::uint32_t due) {
  return static_cast<std::int32_t>(now - due) >= 0;
}

class HeadlessForm : public fw::FormPeer {
 public:
  HeadlessForm(HeadlessBackend& backend, FormRecord& record) : backend_(backend), record_(record) {}
  ~HeadlessForm() override {
    backend_.FormHidden(&record_);
    record_.Alive = false;
    record_.Shown = false;
    backend_.Log("destroy " + record_.Params.ClassName);
  }
  void SetCaption(const std::string& caption) override { record_.Caption = caption; }
  fw::TPoint Position() const override { return record_.Position; }
  void SetPosition(fw::TPoint position) override { record_.Position = position; }
  void Show(fw::TWindowState state, bool activate) override {
    record_.Shown = true;
    record_.ShownState = state;
    record_.ActivatedOnShow = activate;
    if (activate) {
      record_.State = state;
    }
    backend_.Log("show " + record_.Params.ClassName);
  }
  void Hide() override {
    backend_.FormHidden(&record_);
    record_.Shown = false;
    backend_.Log("hide " + record_.Params.ClassName);
  }
  fw::TWindowState WindowState() const override { return record_.State; }
  void BringToFront() override {}
  std::unique_ptr<fw::ControlPeer> CreateControl(const fw::ControlParams& params,
                                                 fw::ControlEvents& events) override {
    return backend_.AddControl(record_, params, events);
  }

 private:
  HeadlessBackend& backend_;
  FormRecord& record_;
};

class HeadlessControl : public fw::ControlPeer {
 public:
  HeadlessControl(HeadlessBackend& backend, ControlRecord& record)
      : backend_(backend), record_(record) {}
  ~HeadlessControl() override {
    backend_.Forget(&record_);
    record_.Alive = false;
  }
  std::string Text() const override { return record_.Text; }
  void SetText(const std::string& text) override { record_.Text = text; }
  void SetFontColor(fw::TColor color) override { record_.FontColor = color; }
  bool Checked() const override { return record_.Checked; }
  void SetChecked(bool checked) override { record_.Checked = checked; }
  void Announce() override { record_.Announced.push_back(record_.Text); }
  void SetHint(const std::string& hint) override { record_.Hint = hint; }

 private:
  HeadlessBackend& backend_;
  ControlRecord& record_;
};

class HeadlessTimer : public fw::TimerPeer {
 public:
  HeadlessTimer(HeadlessBackend& backend, int id) : backend_(backend), id_(id) {}
  ~HeadlessTimer() override { backend_.RemoveTimer(id_); }

 private:
  HeadlessBackend& backend_;
  int id_;
};

}  // namespace

HeadlessBackend::HeadlessBackend() = default;
HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::SetClock(std::uint32_t now) {
  clock_.SetMilliseconds(now);
  for (auto& [id, timer] : timers_) {
    timer.NextDue = now + timer.Interval;
  }
}

void HeadlessBackend::Post(std::function<void()> message) {
  queue_.push_back(std::move(message));
}

void HeadlessBackend::PostAt(std::uint32_t time, std::function<void()> message) {
  scheduled_.push_back(Scheduled{time, std::move(message)});
}

void HeadlessBackend::ClickAt(const std::string& formClass, int x, int y) {
  Post([this, formClass, x, y] {
    ControlRecord* control = ControlAt(formClass, x, y);
    if (control == nullptr) {
      return;
    }
    // A control that takes the focus takes it before its click acts.
    if (control->Params.TabStop) {
      MoveFocus(control);
    }
    if (control->Params.Kind == fw::TControlKind::CheckBox) {
      control->Checked = !control->Checked;
    }
    control->Events->PlatformClick();
  });
}

void HeadlessBackend::FocusAt(const std::string& formClass, int x, int y) {
  Post([this, formClass, x, y] {
    ControlRecord* control = ControlAt(formClass, x, y);
    if (control != nullptr && control->Params.TabStop) {
      MoveFocus(control);
    }
  });
}

void HeadlessBackend::PressTab(const std::string& formClass) {
  Post([this, formClass] {
    std::vector<ControlRecord*> order;
    const FormRecord* form = LiveForm(formClass);
    for (const auto& control : controls_) {
      if (control->Alive && control->Form == form && control->Params.TabStop) {
        order.push_back(control.get());
      }
    }
    if (order.empty()) {
      return;
    }
    auto at = std::find(order.begin(), order.end(), focused_);
    MoveFocus(at == order.end() || at + 1 == order.end() ? order.front() : *(at + 1));
  });
}

void HeadlessBackend::TypeAt(const std::string& formClass, int x, int y, const std::string& text) {
  FocusAt(formClass, x, y);
  Post([this, formClass, x, y, text] {
    ControlRecord* control = ControlAt(formClass, x, y);
    if (control != nullptr) {
      const int limit = control->Params.MaxLength;
      control->Text = limit > 0 ? text.substr(0, static_cast<std::size_t>(limit)) : text;
    }
  });
}

void HeadlessBackend::Deactivate(const std::string& formClass) {
  Post([this, formClass] {
    if (focused_ != nullptr && focused_->Form == LiveForm(formClass)) {
      focused_ = nullptr;
    }
  });
}

ControlRecord* HeadlessBackend::ControlAt(const std::string& formClass, int x, int y) {
  return const_cast<ControlRecord*>(LiveControlAt(formClass, x, y));
}

void HeadlessBackend::MoveFocus(ControlRecord* to) {
  ControlRecord* from = focused_;
  focused_ = to;
  if (from != nullptr && from != to && from->Form == to->Form) {
    from->Events->PlatformFocusLeave();
  }
}

void HeadlessBackend::Forget(const ControlRecord* control) {
  if (focused_ == control) {
    focused_ = nullptr;
  }
}

void HeadlessBackend::FormHidden(const FormRecord* form) {
  if (focused_ != nullptr && focused_->Form == form) {
    focused_ = nullptr;
  }
}

std::vector<const ControlRecord*> HeadlessBackend::LiveControls(
    const std::string& formClass) const {
  std::vector<const ControlRecord*> found;
  const FormRecord* form = LiveForm(formClass);
  for (const auto& control : controls_) {
    if (control->Alive && control->Form == form) {
      found.push_back(control.get());
    }
  }
  return found;
}

void HeadlessBackend::PressShortCut(const std::string& formClass, fw::TShortCut shortCut) {
  Post([this, formClass, shortCut] {
    for (const ControlRecord* control : LiveControls(formClass)) {
      if (control->Params.ShortCut == shortCut) {
        control->Events->PlatformClick();
        return;
      }
    }
  });
}

void HeadlessBackend::CloseRequest(const std::string& formClass) {
  Post([this, formClass] {
    const FormRecord* form = LiveForm(formClass);
    if (form != nullptr) {
      form->Events->PlatformCloseRequest();
    }
  });
}

void HeadlessBackend::Restore() {
  Post([this] {
    if (application_ != nullptr) {
      application_->PlatformRestore();
    }
  });
}

void HeadlessBackend::SetFormState(const std::string& formClass, fw::TWindowState state) {
  for (auto& form : forms_) {
    if (form->Alive && form->Params.ClassName == formClass) {
      form->State = state;
    }
  }
}

void HeadlessBackend::QueueDue() {
  const std::uint32_t now = clock_.Milliseconds();
  for (auto& [id, timer] : timers_) {
    if (!timer.Pending && Reached(now, timer.NextDue)) {
      timer.Pending = true;
      timer.NextDue = now + timer.Interval;
      int timerId = id;
      queue_.emplace_back([this, timerId] {
        auto found = timers_.find(timerId);
        if (found != timers_.end()) {
          found->second.Pending = false;
          found->second.Events->PlatformTimer();
        }
      });
    }
  }
  for (auto it = scheduled_.begin(); it != scheduled_.end();) {
    if (Reached(now, it->Time)) {
      queue_.push_back(std::move(it->Message));
      it = scheduled_.erase(it);
    } else {
      ++it;
    }
  }
}

const FormRecord* HeadlessBackend::LiveForm(const std::string& formClass) const {
  for (const auto& form : forms_) {
    if (form->Alive && form->Params.ClassName == formClass) {
      return form.get();
    }
  }
  return nullptr;
}

const ControlRecord* HeadlessBackend::LiveControlAt(const std::string& formClass, int x,
                                                    int y) const {
  // Group boxes and frames come before what they hold, so the last control there is on top.
  const FormRecord* form = LiveForm(formClass);
  const ControlRecord* found = nullptr;
  for (const auto& control : controls_) {
    const fw::TBounds& b = control->Params.Bounds;
    if (control->Alive && control->Form == form && x >= b.Left && x < b.Left + b.Width &&
        y >= b.Top && y < b.Top + b.Height) {
      found = control.get();
    }
  }
  return found;
}

int HeadlessBackend::FormsCreated(const std::string& formClass) const {
  return static_cast<int>(std::count_if(forms_.begin(), forms_.end(), [&](const auto& form) {
    return form->Params.ClassName == formClass;
  }));
}

void HeadlessBackend::CreateApplicationWindow(fw::ApplicationEvents& events) {
  if (FailApplicationWindow) {
    throw std::runtime_error("cannot make the application window");
  }
  application_ = &events;
}

void HeadlessBackend::ShowApplicationWindow(bool minimized) {
  Log(minimized ? "application minimized" : "application shown");
}

void HeadlessBackend::HideOwnedPopups() {
  Log("hide owned popups");
  for (auto& form : forms_) {
    form->Shown = false;
  }
}

std::unique_ptr<fw::FormPeer> HeadlessBackend::CreateForm(const fw::FormParams& params,
                                                          fw::FormEvents& events) {
  auto record = std::make_unique<FormRecord>();
  record->Params = params;
  record->Events = &events;
  record->Caption = params.Caption;
  record->State = params.WindowState;
  record->Position = params.DefaultPosition ? fw::TPoint{40, 30}
                                            : fw::TPoint{params.Client.Left, params.Client.Top};
  forms_.push_back(std::move(record));
  Log("create " + params.ClassName);
  return std::make_unique<HeadlessForm>(*this, *forms_.back());
}

std::unique_ptr<fw::ControlPeer> HeadlessBackend::AddControl(FormRecord& form,
                                                             const fw::ControlParams& params,
                                                             fw::ControlEvents& events) {
  auto record = std::make_unique<ControlRecord>();
  record->Params = params;
  record->Events = &events;
  record->Text = params.Text;
  record->Hint = params.Hint;
  record->FontColor = params.Font.Color;
  record->Form = &form;
  controls_.push_back(std::move(record));
  controls_.back()->Checked = params.Checked;
  return std::make_unique<HeadlessControl>(*this, *controls_.back());
}

std::unique_ptr<fw::TimerPeer> HeadlessBackend::CreateTimer(unsigned intervalMs,
                                                            fw::TimerEvents& events) {
  int id = nextTimerId_++;
  timers_[id] = TimerRecord{&events, intervalMs, clock_.Milliseconds() + intervalMs, false};
  return std::make_unique<HeadlessTimer>(*this, id);
}

fw::Backend::MessageResult HeadlessBackend::ProcessOneMessage() {
  if (queue_.empty()) {
    if (quitPosted_) {
      quitPosted_ = false;
      return MessageResult::Quit;
    }
    return MessageResult::None;
  }
  std::function<void()> message = std::move(queue_.front());
  queue_.pop_front();
  message();
  return MessageResult::Dispatched;
}

void HeadlessBackend::WaitMessage() {
  if (!queue_.empty() || quitPosted_) {
    return;
  }
  if (timers_.empty() && scheduled_.empty()) {
    throw std::logic_error("waiting for a message that can never come");
  }
  while (queue_.empty()) {
    AdvanceClock(1);
  }
}

void HeadlessBackend::PostQuit() {
  quitPosted_ = true;
}

void HeadlessBackend::ShowHandlerErrorBox(const std::string& text, const std::string& caption) {
  errorBoxes_.push_back(caption + ": " + text);
}

}  // namespace headless
