// Where Windows' default place leaves a form under Wine, and where the form then goes: beside a
// shown main form it would cover, into the work area, and never again once the user moved it.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "platform/win32/Win32Form.h"

namespace {

struct NoFormEvents : fw::FormEvents {
  void PlatformCloseRequest() override {}
};

RECT Frame(const win32::Win32Form& form) {
  RECT rect{};
  GetWindowRect(form.Handle(), &rect);
  return rect;
}

RECT WorkArea() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  return monitor.rcWork;
}

std::unique_ptr<win32::Win32Form> Make(NoFormEvents& events, bool main, fw::TBounds client,
                                       bool defaultPosition) {
  fw::FormParams params;
  params.ClassName = main ? "TForm_PlacedMain" : "TForm_Placed";
  params.Client = client;
  params.MainForm = main;
  params.DefaultPosition = defaultPosition;
  return std::make_unique<win32::Win32Form>(nullptr, params, events);
}

TEST(Placement, AFormAtTheDefaultPlaceGoesBesideTheMainFormAndIntoTheWorkArea) {
  NoFormEvents events;
  // Where Windows puts a form of the settings window's size by default, as a main form is put.
  const RECT standard = Frame(*Make(events, true, fw::TBounds{0, 0, 249, 101}, true));
  const RECT work = WorkArea();
  const int workWidth = work.right - work.left;
  const int workHeight = work.bottom - work.top;
  const fw::TBounds onIt{standard.left, standard.top, 137, 51};
  const fw::TBounds clear{workWidth - 150, workHeight - 80, 137, 51};
  struct Case {
    const char* what;
    fw::TBounds main;  // the main form's client area; none when empty
    bool mainShown;
    bool large;  // the form is larger than the work area
    bool below;  // else at its own place, moved into the work area
  };
  const Case cases[] = {
      {"on the main form's place: below it", onIt, true, false, true},
      {"clear of the main form: stays", clear, true, false, false},
      {"a hidden main form counts for nothing", onIt, false, false, false},
      {"no main form", {}, false, false, false},
      {"larger than the work area: at its top left", {}, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<win32::Win32Form> main;
    if (c.main.Width > 0) {
      main = Make(events, true, c.main, false);
      if (c.mainShown) {
        main->Show(fw::TWindowState::Normal, false);
      }
    }
    const fw::TBounds size = c.large ? fw::TBounds{0, 0, workWidth + 300, workHeight + 200}
                                     : fw::TBounds{0, 0, 249, 101};
    const std::unique_ptr<win32::Win32Form> settings = Make(events, false, size, true);
    const RECT placed = Frame(*settings);
    if (!c.large) {
      EXPECT_EQ(placed.right - placed.left, standard.right - standard.left) << "the size kept";
      EXPECT_EQ(placed.bottom - placed.top, standard.bottom - standard.top) << "the size kept";
    }
    if (c.below) {
      const RECT beside = Frame(*main);
      EXPECT_EQ(placed.left, beside.left);
      EXPECT_EQ(placed.top, beside.bottom);
      continue;
    }
    const int width = placed.right - placed.left;
    const int height = placed.bottom - placed.top;
    const LONG left = width > workWidth ? work.left : std::max(work.left, standard.left);
    const LONG top = height > workHeight ? work.top : std::max(work.top, standard.top);
    EXPECT_EQ(placed.left, left);
    EXPECT_EQ(placed.top, top);
  }
}

// Only the first place is Windows' default: a form the user has moved shows where it was, even
// over the main form.
TEST(Placement, ALaterShowKeepsThePlaceTheUserGave) {
  NoFormEvents events;
  const std::unique_ptr<win32::Win32Form> main =
      Make(events, true, fw::TBounds{200, 150, 137, 51}, false);
  main->Show(fw::TWindowState::Normal, false);
  const std::unique_ptr<win32::Win32Form> settings =
      Make(events, false, fw::TBounds{0, 0, 249, 101}, true);
  settings->Show(fw::TWindowState::Normal, false);
  const fw::TPoint moved{main->Position().X + 10, main->Position().Y + 5};
  settings->SetPosition(moved);
  settings->Hide();
  settings->Show(fw::TWindowState::Normal, true);
  EXPECT_EQ(settings->Position().X, moved.X);
  EXPECT_EQ(settings->Position().Y, moved.Y);
}

}  // namespace
