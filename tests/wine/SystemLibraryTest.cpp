// Binding system DLLs under Wine: from the system folder alone, with what is missing said plainly,
// and the process's DLL search restricted to the system folder.
#include "platform/win32/SystemLibrary.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/DllSearch.h"
#include "platform/win32/Win32.h"

namespace {

// Built beside the test program, and nowhere else.
constexpr wchar_t kPlanted[] = L"vorlix_planted.dll";

TEST(SystemLibrary, BindsWhatTheSystemFolderHasAndSaysWhatIsMissing) {
  struct Case {
    const char* library;
    const char* function;
    bool loaded;
    bool found;
    const char* missing;
  };
  const Case cases[] = {
      {"KERNEL32.DLL", "GetTickCount", true, true, nullptr},
      {"KERNEL32.DLL", "NoSuchFunction", true, false, "KERNEL32.DLL のプロセスを取得出来ません。"},
      {"NO-SUCH.DLL", "GetTickCount", false, false,
       "必要なファイル NO-SUCH.DLL が見つかりません。"},
      {"vorlix_planted.dll", "Planted", false, false,
       "必要なファイル vorlix_planted.dll が見つかりません。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.library) + " " + c.function);
    const win32::SystemLibrary library(c.library);
    EXPECT_EQ(library.Loaded(), c.loaded);
    DWORD(WINAPI * function)() = &GetCurrentProcessId;
    EXPECT_EQ(library.Find(function, c.function), c.found);
    EXPECT_EQ(function != nullptr, c.found);
    if (c.missing != nullptr) {
      EXPECT_EQ(library.MissingText(), c.missing);
    }
  }
}

TEST(DllSearch, ADllBesideTheProgramIsFoundOnlyUntilTheSearchIsRestricted) {
  HMODULE before = LoadLibraryW(kPlanted);
  ASSERT_NE(before, nullptr) << "the test's DLL is not beside the test program";
  FreeLibrary(before);
  ASSERT_TRUE(win32::RestrictDllSearch());
  HMODULE after = LoadLibraryW(kPlanted);
  EXPECT_EQ(after, nullptr);
  if (after != nullptr) {
    FreeLibrary(after);
  }
}

}  // namespace
