// Reads and saves of the settings file under Wine: directories and open files in the way, and
// the kinds of file a user (or an attacker) may put at its name, made by file_kinds.sh.
#include "platform/win32/Win32Files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/FileHandle.h"
#include "platform/win32/FileSteps.h"
#include "platform/win32/Utf.h"
#include "platform/win32/Win32.h"
#include "settings/SettingsReader.h"

// After windows.h: the security descriptor language.
#include <sddl.h>

namespace {

using win32::FileHandle;

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

// The access list of a file, as its descriptor in the security descriptor language.
std::string AccessList(const wchar_t* name) {
  std::vector<char> descriptor(4096);
  DWORD needed = 0;
  if (!GetFileSecurityW(name, DACL_SECURITY_INFORMATION, descriptor.data(),
                        static_cast<DWORD>(descriptor.size()), &needed)) {
    return "unreadable";
  }
  wchar_t* text = nullptr;
  ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.data(), SDDL_REVISION_1,
                                                       DACL_SECURITY_INFORMATION, &text, nullptr);
  std::string readable = text != nullptr ? win32::Narrow(text) : "none";
  LocalFree(text);
  return readable;
}

// The user the tests run as, in the security descriptor language.
std::wstring UserSid() {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  char buffer[256] = {};
  DWORD needed = 0;
  GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &needed);
  CloseHandle(token);
  wchar_t* text = nullptr;
  ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text);
  std::wstring sid = text != nullptr ? text : L"";
  LocalFree(text);
  return sid;
}

DWORD Links(const wchar_t* name) {
  HANDLE file = CreateFileW(name, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  BY_HANDLE_FILE_INFORMATION information{};
  GetFileInformationByHandle(file, &information);
  CloseHandle(file);
  return information.nNumberOfLinks;
}

// The names in a folder, the current one unless another is given.
std::vector<std::wstring> Names(const std::wstring& folder = L".") {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
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
    for (const std::wstring& name : Names(folder_)) {
      const std::wstring path = folder_ + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(path.c_str());
      RemoveDirectoryW(path.c_str());
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

// The settings as a load takes them, read through the settings reader.
std::string LoadedIP(win32::Win32Files& files) {
  settings::SettingsReader reader([](std::string_view text) { return std::string(text); });
  files.ReadFile("Vorlix.ini", [&reader](std::string_view block) { return reader.Take(block); });
  return reader.Value(settings::SettingsKey::IP);
}

TEST_F(Folder, ALoadSkipsAByteOrderMarkAndWaitsBrieflyForAHeldFile) {
  struct Case {
    const char* what;
    std::string content;
    int heldMs;  // 0: nobody holds it
    bool reads;
  };
  const std::string plain = "IP=198.18.0.20\r\n";
  const Case cases[] = {
      {"plain", plain, 0, true},
      {"a byte-order mark", "\xEF\xBB\xBF" + plain, 0, true},
      {"held by another for 0.3 s", plain, 300, true},
      {"held by another past the wait", plain, 2600, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    files.WriteFile("Vorlix.ini", c.content);
    const auto start = std::chrono::steady_clock::now();
    // Another process holding the file for itself alone, for a while.
    HANDLE held = c.heldMs == 0 ? INVALID_HANDLE_VALUE
                                : CreateFileW(L"Vorlix.ini", GENERIC_READ, 0, nullptr,
                                              OPEN_EXISTING, 0, nullptr);
    std::thread release([held, &c] {
      Sleep(static_cast<DWORD>(c.heldMs));
      CloseHandle(held);
    });
    if (c.reads) {
      EXPECT_EQ(LoadedIP(files), "198.18.0.20");
    } else {
      EXPECT_THROW(LoadedIP(files), std::exception);
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(c.reads ? c.heldMs - 50 : 1950));
    EXPECT_LT(waited, std::chrono::milliseconds(c.reads ? c.heldMs + 1000 : 2600));
    release.join();
  }
}

TEST_F(Folder, ASaveKeepsTheAttributesAndTheAccessList) {
  // The user and the system may do anything, everyone else nothing: an access list that no
  // folder hands down (under Wine, the file's Unix mode 0770).
  PSECURITY_DESCRIPTOR chosen = nullptr;
  const std::wstring list = L"D:P(A;;FA;;;SY)(A;;FA;;;" + UserSid() + L")";
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(list.c_str(), SDDL_REVISION_1,
                                                                   &chosen, nullptr));
  for (const DWORD attributes :
       {DWORD{FILE_ATTRIBUTE_HIDDEN}, DWORD{FILE_ATTRIBUTE_SYSTEM},
        DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}, DWORD{FILE_ATTRIBUTE_NORMAL}}) {
    SCOPED_TRACE(attributes);
    files.WriteFile("Vorlix.ini", "old\r\n");
    ASSERT_TRUE(SetFileAttributesW(L"Vorlix.ini", attributes));
    ASSERT_TRUE(SetFileSecurityW(L"Vorlix.ini", DACL_SECURITY_INFORMATION, chosen));
    const std::string before = AccessList(L"Vorlix.ini");
    files.WriteFile("Vorlix.ini", "new\r\n");
    EXPECT_EQ(Read(files, "Vorlix.ini"), "new\r\n");
    // Changed content is marked for the next backup: the archive attribute is always set.
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    EXPECT_EQ(GetFileAttributesW(L"Vorlix.ini") & 0xFF,
              (attributes & kept) | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(AccessList(L"Vorlix.ini"), before);
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"Vorlix.ini"});
    SetFileAttributesW(L"Vorlix.ini", FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(L"Vorlix.ini");
  }
  LocalFree(chosen);
}

// What ends a save as a kill would: nothing after it happens, not even the save's own clearing
// up; only the handles are closed, as the system closes them.
struct Killed {};

// The system's steps, with one of them failing, or the save killed at one. Every step first
// looks for the settings file.
class FaultySteps : public win32::FileSteps {
 public:
  enum class Step { Create, Write, Attributes, AccessList, Rename, None };

  Step at = Step::None;
  bool kill = false;
  int failures = 1;          // how often the step fails
  bool loseTarget = false;   // the failing rename takes the old file away first
  bool othersFirst = false;  // another process makes the file just before the rename
  DWORD error = ERROR_WRITE_FAULT;
  int missing = 0;  // steps that found no settings file

  HANDLE CreateNew(const std::wstring& path) override {
    return Faulted(Step::Create) ? INVALID_HANDLE_VALUE : FileSteps::CreateNew(path);
  }
  bool Write(HANDLE file, const std::string& content) override {
    return !Faulted(Step::Write) && FileSteps::Write(file, content);
  }
  bool SetAttributes(HANDLE file, DWORD attributes) override {
    return !Faulted(Step::Attributes) && FileSteps::SetAttributes(file, attributes);
  }
  bool SetAccessList(HANDLE file, const std::vector<char>& descriptor) override {
    return !Faulted(Step::AccessList) && FileSteps::SetAccessList(file, descriptor);
  }
  bool Rename(HANDLE file, const std::wstring& target, bool replace) override {
    if (loseTarget && at == Step::Rename && failures > 0) {
      DeleteFileW(target.c_str());
    }
    if (othersFirst) {
      const FileHandle theirs(
          CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
      DWORD written = 0;
      ::WriteFile(theirs.Get(), "theirs\r\n", 8, &written, nullptr);
    }
    return !Faulted(Step::Rename) && FileSteps::Rename(file, target, replace);
  }
  bool Delete(HANDLE file) override { return !killed_ && FileSteps::Delete(file); }

 private:
  bool Faulted(Step step) {
    if (killed_) {
      return true;  // the save's clearing up, while the kill unwinds it
    }
    missing += GetFileAttributesW(L"Vorlix.ini") == INVALID_FILE_ATTRIBUTES ? 1 : 0;
    if (step != at || failures == 0) {
      return false;
    }
    --failures;
    if (kill) {
      killed_ = true;
      throw Killed{};
    }
    SetLastError(error);
    return true;
  }
  bool killed_ = false;
};

// A fault at each step of a save: the settings file is there at every step and afterwards,
// whole, old or new; what a failed step leaves is cleared at once, what a kill leaves by the
// next save.
TEST_F(Folder, AFaultAtAnyStepOfASaveLeavesTheFileThereAndWhole) {
  using Step = FaultySteps::Step;
  struct Case {
    const char* what;
    Step at;
    bool kill;
    const char* after;  // the file's content after the save; null: no file
    std::size_t left;   // files beside it
    DWORD error = ERROR_WRITE_FAULT;
    bool loseTarget = false;
    int failures = 1;
  };
  const Case cases[] = {
      {"no new file", Step::Create, false, "old\r\n", 0},
      {"the folder refuses a new file: in place", Step::Create, false, "new\r\n", 0,
       ERROR_ACCESS_DENIED},
      {"a name too long: in place", Step::Create, false, "new\r\n", 0, ERROR_FILENAME_EXCED_RANGE},
      {"a failed write", Step::Write, false, "old\r\n", 0},
      {"attributes refused: in place", Step::Attributes, false, "new\r\n", 0},
      {"access list refused: in place", Step::AccessList, false, "new\r\n", 0},
      {"a failed replace", Step::Rename, false, "old\r\n", 0},
      {"a replace that loses the old file", Step::Rename, false, "new\r\n", 0, ERROR_WRITE_FAULT,
       true},
      {"and then cannot put the new one in place", Step::Rename, false, nullptr, 1,
       ERROR_WRITE_FAULT, true, 2},
      {"killed at the creation", Step::Create, true, "old\r\n", 0},
      {"killed at the write", Step::Write, true, "old\r\n", 1},
      {"killed at the attributes", Step::Attributes, true, "old\r\n", 1},
      {"killed at the access list", Step::AccessList, true, "old\r\n", 1},
      {"killed at the replace", Step::Rename, true, "old\r\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    files.WriteFile("Vorlix.ini", "old\r\n");
    FaultySteps steps;
    steps.at = c.at;
    steps.kill = c.kill;
    steps.error = c.error;
    steps.loseTarget = c.loseTarget;
    steps.failures = c.failures;
    win32::Win32Files faulty(steps);
    const bool inPlace = c.after != nullptr && std::string(c.after) == "new\r\n" && !c.loseTarget;
    if (inPlace) {
      faulty.WriteFile("Vorlix.ini", "new\r\n");
    } else if (c.kill) {
      EXPECT_THROW(faulty.WriteFile("Vorlix.ini", "new\r\n"), Killed);
    } else {
      EXPECT_THROW(faulty.WriteFile("Vorlix.ini", "new\r\n"), std::exception);
    }
    EXPECT_EQ(steps.missing != 0, c.loseTarget) << "a step found no settings file";
    std::vector<std::wstring> names = Names();
    if (c.after != nullptr) {
      EXPECT_EQ(Read(files, "Vorlix.ini"), c.after);
      EXPECT_EQ(names.size(), c.left + 1);
    } else {
      ASSERT_EQ(names.size(), c.left);
      EXPECT_EQ(Read(files, win32::Narrow(names[0])), "new\r\n") << "the new content is kept";
      ASSERT_TRUE(MoveFileW(names[0].c_str(), L"Vorlix.ini"));
    }
    files.WriteFile("Vorlix.ini", "again\r\n");
    EXPECT_EQ(Read(files, "Vorlix.ini"), "again\r\n");
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"Vorlix.ini"}) << "the next save clears up";
  }
  // A first save never replaces a file that another process made meanwhile.
  DeleteFileW(L"Vorlix.ini");
  FaultySteps steps;
  steps.othersFirst = true;
  win32::Win32Files first(steps);
  EXPECT_THROW(first.WriteFile("Vorlix.ini", "new\r\n"), std::exception);
  EXPECT_EQ(Read(files, "Vorlix.ini"), "theirs\r\n");
  EXPECT_EQ(Names(), std::vector<std::wstring>{L"Vorlix.ini"});
}

// The system's steps, noting the name of each new file.
struct NamingSteps : win32::FileSteps {
  std::vector<std::wstring> names;
  HANDLE CreateNew(const std::wstring& path) override {
    names.push_back(path.substr(path.find_last_of(L'\\') + 1));
    return FileSteps::CreateNew(path);
  }
};

// Each save's new file has a name of its own that nobody can foresee: ten random letters and
// digits after ".Vorlix.ini.".
TEST_F(Folder, EachSavesNewFileHasAFreshRandomName) {
  NamingSteps steps;
  win32::Win32Files named(steps);
  for (int i = 0; i < 4; ++i) {
    named.WriteFile("Vorlix.ini", kNew);
  }
  ASSERT_EQ(steps.names.size(), 4u);
  // A new file never takes the place of one there.
  EXPECT_EQ(win32::SystemFileSteps().CreateNew(folder_ + L"\\Vorlix.ini"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(Read(files, "Vorlix.ini"), kNew);
  for (std::size_t i = 0; i < steps.names.size(); ++i) {
    const std::wstring& name = steps.names[i];
    ASSERT_EQ(name.size(), 22u) << win32::Narrow(name);
    EXPECT_EQ(name.substr(0, 12), L".Vorlix.ini.");
    EXPECT_TRUE(std::all_of(name.begin() + 12, name.end(), iswalnum)) << win32::Narrow(name);
    for (std::size_t j = 0; j < i; ++j) {
      EXPECT_NE(name, steps.names[j]);
    }
  }
}

TEST_F(Folder, ASaveClearsWhatInterruptedSavesLeftAndNothingElse) {
  const std::string settings = "MainFormPosX=1\r\n";
  struct Case {
    const wchar_t* name;
    std::string content;
    bool cleared;
  };
  const Case cases[] = {
      {L".Vorlix.ini.Ab3dE6gH9j", "", true},
      {L".Vorlix.ini.0123456789", settings, true},
      {L"Vorlix.ini.0123456789ABCDEF", "MainForm", true},  // an earlier version's
      {L"rf1a2b.tmp", settings, true},                     // Wine's ReplaceFileW's
      {L"RF3C.TMP", "", true},
      {L"rf9.tmp", "someone else's\r\n", false},
      {L"rf12345.tmp", "", false},
      {L"Vorlix.ini.bak", settings, false},
      {L"Vorlix.ini.2024050112", settings, false},
      {L".Vorlix.ini.short", settings, false},
      {L".Other.ini.Ab3dE6gH9j", settings, false},
  };
  CloseHandle(
      CreateFileW(L".Vorlix.ini.Zz9yX8wV7u", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  files.WriteFile("Vorlix.ini", "old\r\n");
  EXPECT_FALSE(Exists(L".Vorlix.ini.Zz9yX8wV7u")) << "a first save clears them too";
  for (const Case& c : cases) {
    FileHandle written(CreateFileW(c.name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    DWORD done = 0;
    ::WriteFile(written.Get(), c.content.data(), static_cast<DWORD>(c.content.size()), &done,
                nullptr);
  }
  ASSERT_TRUE(CreateDirectoryW(L".Vorlix.ini.DirectoryZ", nullptr));
  ASSERT_TRUE(CreateHardLinkW(L".Vorlix.ini.LinkedFile", L"Vorlix.ini.bak", nullptr));
  HANDLE held =
      CreateFileW(L".Vorlix.ini.HeldOpenX1", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  files.WriteFile("Vorlix.ini", "new\r\n");
  CloseHandle(held);
  EXPECT_EQ(Read(files, "Vorlix.ini"), "new\r\n");
  for (const Case& c : cases) {
    EXPECT_EQ(!Exists(c.name), c.cleared) << win32::Narrow(c.name);
  }
  for (const wchar_t* kept :
       {L".Vorlix.ini.DirectoryZ", L".Vorlix.ini.LinkedFile", L".Vorlix.ini.HeldOpenX1"}) {
    EXPECT_TRUE(Exists(kept)) << win32::Narrow(kept);
  }
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
      {L"others-leftover", L"Vorlix.ini"},  // another user's file of a leftover's name stays
      {L"locked-folder", L"Vorlix.ini"},    // in place, for a user who may not add a file
      {L"long-name", L"Vorlix.ini"},        // in place: no temporary name fits beside its target
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
