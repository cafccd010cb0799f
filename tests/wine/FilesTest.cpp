// Reads and saves of the settings file under Wine: directories and open files in the way, and
// the kinds of file a user (or an attacker) may put at its name, made by file_kinds.sh.
#include "platform/win32/Win32Files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/Utf.h"
#include "platform/win32/Win32.h"

namespace {

const std::string kOld = "MainFormPosX=10\r\nIP=198.18.0.35\r\n";
const std::string kNew = "MainFormPosX=20\r\n";

std::string Read(win32::Win32Files& files, const std::string& name) {
  std::string content;
  files.ReadFile(name, [&content](std::string_view block) {
    content.append(block);
    return true;
  });
  return content;
}

// The file a name leads to, links followed.
std::wstring FinalPath(const wchar_t* name) {
  HANDLE file = CreateFileW(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return L"";
  }
  wchar_t path[MAX_PATH * 2] = {};
  GetFinalPathNameByHandleW(file, path, MAX_PATH * 2, 0);
  CloseHandle(file);
  return path;
}

DWORD Links(const wchar_t* name) {
  HANDLE file = CreateFileW(name, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  BY_HANDLE_FILE_INFORMATION information{};
  GetFileInformationByHandle(file, &information);
  CloseHandle(file);
  return information.nNumberOfLinks;
}

// The names in the current folder.
std::vector<std::wstring> Names() {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(L"*", &found);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") {
      names.push_back(name);
    }
  }
  FindClose(search);
  return names;
}

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
    for (const wchar_t* name : {L"\\Vorlix.ini", L"\\Big.ini"}) {
      SetFileAttributesW((folder_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW((folder_ + name).c_str());
      RemoveDirectoryW((folder_ + name).c_str());
    }
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
  EXPECT_EQ(Read(files, "Vorlix.ini"), content);
  files.WriteFile("Vorlix.ini", "short\r\n");
  EXPECT_EQ(Read(files, "Vorlix.ini"), "short\r\n");
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"Vorlix.ini"}) << "nothing of the save is left";
}

TEST_F(Folder, AReadHandsOverBoundedBlocksAndStopsWhenAsked) {
  HANDLE big = CreateFileW(L"Big.ini", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  LARGE_INTEGER size{};
  size.QuadPart = 256ll << 20;
  ASSERT_TRUE(SetFilePointerEx(big, size, nullptr, FILE_BEGIN) && SetEndOfFile(big));
  CloseHandle(big);
  int blocks = 0;
  files.ReadFile("Big.ini", [&blocks](std::string_view block) {
    EXPECT_LE(block.size(), 64u * 1024u);
    return ++blocks < 3;
  });
  EXPECT_EQ(blocks, 3);
}

TEST_F(Folder, ADirectoryOfThatNameIsNoFileAndCannotBeWritten) {
  ASSERT_TRUE(CreateDirectoryW(L"Vorlix.ini", nullptr));
  EXPECT_FALSE(files.FileExists("Vorlix.ini"));
  EXPECT_THROW(Read(files, "Vorlix.ini"), std::exception);
  EXPECT_THROW(files.WriteFile("Vorlix.ini", "x\r\n"), std::exception);
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"Vorlix.ini"}) << "the new file is cleared away";
}

TEST_F(Folder, AFileHeldOpenByOthersKeepsItsContent) {
  files.WriteFile("Vorlix.ini", "old\r\n");
  HANDLE held = CreateFileW(L"Vorlix.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_THROW(files.WriteFile("Vorlix.ini", "new\r\n"), std::exception);
  EXPECT_THROW(Read(files, "Vorlix.ini"), std::exception);
  CloseHandle(held);
  EXPECT_EQ(Read(files, "Vorlix.ini"), "old\r\n");
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"Vorlix.ini"});
}

TEST_F(Folder, OthersMayReadWhileTheFileIsRead) {
  files.WriteFile("Vorlix.ini", "shared\r\n");
  HANDLE reader = CreateFileW(L"Vorlix.ini", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Read(files, "Vorlix.ini"), "shared\r\n");
  CloseHandle(reader);
}

TEST_F(Folder, AReadOnlyFileIsNotReplaced) {
  files.WriteFile("Vorlix.ini", "old\r\n");
  ASSERT_TRUE(SetFileAttributesW(L"Vorlix.ini", FILE_ATTRIBUTE_READONLY));
  EXPECT_THROW(files.WriteFile("Vorlix.ini", "new\r\n"), std::exception);
  EXPECT_EQ(Read(files, "Vorlix.ini"), "old\r\n");
  EXPECT_NE(GetFileAttributesW(L"Vorlix.ini") & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"Vorlix.ini"});
}

// The kinds of file made from outside Wine (file_kinds.sh), one folder each; each is used once.
class FileKinds : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* made = std::getenv("VORLIX_FILE_KINDS");
    if (made == nullptr) {
      GTEST_SKIP() << "no folder of file kinds (VORLIX_FILE_KINDS, made by file_kinds.sh)";
    }
    std::string path = std::string("Z:") + made;
    for (char& c : path) {
      c = c == '/' ? '\\' : c;
    }
    root_ = win32::Widen(path);
    GetCurrentDirectoryW(MAX_PATH, previous_);
  }
  void TearDown() override { SetCurrentDirectoryW(previous_); }
  void Enter(const wchar_t* kind) {
    ASSERT_TRUE(SetCurrentDirectoryW((root_ + L"\\" + kind).c_str())) << "no folder for the kind";
  }

  win32::Win32Files files;
  std::wstring root_;
  wchar_t previous_[MAX_PATH] = {};
};

// Links are followed and the file they lead to is read; a pipe or a device is refused at once.
TEST_F(FileKinds, OnlyADiskFileIsReadAndNothingWaits) {
  struct Case {
    const wchar_t* kind;
    bool reads;
  };
  for (const Case& c : {Case{L"absolute-link", true}, Case{L"relative-link", true},
                        Case{L"pipe", false}, Case{L"device", false}}) {
    SCOPED_TRACE(win32::Narrow(c.kind));
    Enter(c.kind);
    const DWORD start = GetTickCount();
    if (c.reads) {
      EXPECT_EQ(Read(files, "Vorlix.ini"), kOld);
    } else {
      EXPECT_THROW(Read(files, "Vorlix.ini"), std::exception);
    }
    EXPECT_LT(GetTickCount() - start, 1000u);
  }
}

TEST_F(FileKinds, ASaveKeepsTheFileWhatTheUserMadeIt) {
  struct Case {
    const wchar_t* kind;
    const wchar_t* written;  // where the content goes; null when the save must fail
  };
  const Case cases[] = {
      {L"absolute-link", L"dotfiles\\target.ini"},
      {L"relative-link", L"dotfiles\\target.ini"},
      {L"hard-link", L"dotfiles\\other.ini"},
      {L"read-only", nullptr},
      {L"pipe", nullptr},
      {L"planted", L"Vorlix.ini"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(win32::Narrow(c.kind));
    Enter(c.kind);
    const std::wstring leadsTo = FinalPath(L"Vorlix.ini");
    const std::vector<std::wstring> before = Names();
    if (c.written == nullptr) {
      EXPECT_THROW(files.WriteFile("Vorlix.ini", kNew), std::exception);
    } else {
      files.WriteFile("Vorlix.ini", kNew);
      EXPECT_EQ(Read(files, win32::Narrow(c.written)), kNew);
      EXPECT_EQ(FinalPath(L"Vorlix.ini"), leadsTo) << "the name still leads where it did";
    }
    if (std::wstring(c.kind) == L"read-only") {
      EXPECT_EQ(Read(files, "Vorlix.ini"), kOld);
    }
    if (std::wstring(c.kind) == L"hard-link") {
      EXPECT_EQ(Links(L"Vorlix.ini"), 2u);
    }
    if (std::wstring(c.kind) == L"planted") {
      EXPECT_EQ(Read(files, "victim"), "the victim\n");
    }
    EXPECT_EQ(Names(), before) << "nothing of the save's own is left";
  }
}

}  // namespace
