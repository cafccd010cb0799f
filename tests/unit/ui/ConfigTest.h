// The settings window's tests: the field positions, a saved settings file and the fixture that
// starts both windows over it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Harness.h"
#include "ui/Config.h"
#include "ui/Main.h"

namespace configtest {

inline const char* const kFile = "Vorlix.ini";
inline const char* const kForm = "TForm_Config";

// Client positions of the fields, as a user would click them.
struct At {
  int x, y;
};
inline constexpr At kIP0{10, 20}, kIP1{50, 20}, kIP2{90, 20}, kIP3{130, 20}, kTimeOut{190, 20},
    kPingBox{20, 50}, kMinutes{20, 75}, kTopBox{120, 55}, kOK{110, 80};

inline std::string Lines(const std::vector<std::string>& lines) {
  std::string content;
  for (const std::string& line : lines) {
    content += line + "\r\n";
  }
  return content;
}

// Starts both windows over a settings file with the given content.
inline void StartWith(headless::Harness& run, const std::string& content) {
  run.backend.MemoryFiles().Files[kFile] = content;
  run.app->CreateForm(Form_Main);
  run.app->CreateForm(Form_Config);
}

inline const std::string kSaved =
    Lines({"MainFormPosX=10", "MainFormPosY=20", "ConfigFormPosX=30", "ConfigFormPosY=40",
           "IP=198.18.0.20", "TimeOut=800", "AutoPing=1", "PingTime=5", "StayOnTop=0"});

class ConfigTest : public ::testing::Test {
 protected:
  void Start(const std::string* content) {
    if (content != nullptr) {
      files().Files[kFile] = *content;
    }
    h.app->CreateForm(Form_Main);
    h.app->CreateForm(Form_Config);
  }
  void Start(const std::string& content) { Start(&content); }
  void TearDown() override { h.app->DestroyForms(); }

  headless::HeadlessFiles& files() { return h.backend.MemoryFiles(); }
  std::string Field(At at) const { return h.backend.LiveControlAt(kForm, at.x, at.y)->Text; }
  void Type(At at, const std::string& text) {
    h.backend.TypeAt(kForm, at.x, at.y, text);
    h.app->ProcessMessages();
  }
  void Focus(At at) {
    h.backend.FocusAt(kForm, at.x, at.y);
    h.app->ProcessMessages();
  }
  void Click(At at) {
    h.backend.ClickAt(kForm, at.x, at.y);
    h.app->ProcessMessages();
  }
  void ClickPanel() {
    h.backend.ClickAt("TForm_Main", 10, 10);
    h.app->ProcessMessages();
  }

  headless::Harness h;
};

}  // namespace configtest
