// Whole-file access under Wine: reads and replacing writes, with directories and open files in
// the way.
#include "platform/win32/Win32Files.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Utf.h"
#include "platform/win32/Win32.h"

namespace {

// A fresh folder in the temporary folder, made the current directory for the test.
class Folder : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"vorlix-files-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder_.c_str(), nullptr);
    GetCurrentDirectoryW(MAX_PATH, previous_);
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.c_str()));
  }
  void TearDown() override {
    SetCurrentDirectoryW(previous_);
    DeleteFileW((folder_ + L"\\Vorlix.ini").c_str());
    RemoveDirectoryW((folder_ + L"\\Vorlix.ini").c_str());
    RemoveDirectoryW(folder_.c_str());
  }
  static bool Exists(const wchar_t* name) {
    return GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES;
  }

  win32::Win32Files files;
  std::wstring folder_;
  wchar_t previous_[MAX_PATH] = {};
};

TEST_F(Folder, AWrittenFileReadsBackByteForByte) {
  const std::string content = "MainFormPosX=0\r\nIP=198.18.0.20\r\n\xE3\x81\x82\r\n";
  EXPECT_FALSE(files.FileExists("Vorlix.ini"));
  files.WriteFile("Vorlix.ini", content);
  EXPECT_TRUE(files.FileExists("Vorlix.ini"));
  EXPECT_EQ(files.ReadFile("Vorlix.ini"), content);
  files.WriteFile("Vorlix.ini", "short\r\n");
  EXPECT_EQ(files.ReadFile("Vorlix.ini"), "short\r\n");
  EXPECT_FALSE(Exists(L"Vorlix.ini.new"));
}

TEST_F(Folder, ADirectoryOfThatNameIsNoFileAndCannotBeWritten) {
  ASSERT_TRUE(CreateDirectoryW(L"Vorlix.ini", nullptr));
  EXPECT_FALSE(files.FileExists("Vorlix.ini"));
  EXPECT_THROW(files.ReadFile("Vorlix.ini"), std::exception);
  EXPECT_THROW(files.WriteFile("Vorlix.ini", "x\r\n"), std::exception);
  EXPECT_FALSE(Exists(L"Vorlix.ini.new")) << "the new file is cleared away";
}

TEST_F(Folder, AFileHeldOpenByOthersKeepsItsContent) {
  files.WriteFile("Vorlix.ini", "old\r\n");
  HANDLE held = CreateFileW(L"Vorlix.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_THROW(files.WriteFile("Vorlix.ini", "new\r\n"), std::exception);
  EXPECT_THROW(files.ReadFile("Vorlix.ini"), std::exception);
  CloseHandle(held);
  EXPECT_EQ(files.ReadFile("Vorlix.ini"), "old\r\n");
}

TEST_F(Folder, OthersMayReadWhileTheFileIsRead) {
  files.WriteFile("Vorlix.ini", "shared\r\n");
  HANDLE reader = CreateFileW(L"Vorlix.ini", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(files.ReadFile("Vorlix.ini"), "shared\r\n");
  CloseHandle(reader);
}

}  // namespace
