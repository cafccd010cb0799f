// Whole-file reads and replacing writes: locks in place of share modes, and a failed save that
// leaves the old file whole.
#include "platform/posix/PosixFiles.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string kName = "Vorlix.ini";
const std::string kOld = "MainFormPosX=10\r\nIP=198.18.0.35\r\n";
const std::string kNew = "MainFormPosX=20\r\n";

// Each test works in a fresh directory of its own.
class PosixFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "vorlix-files-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder = pattern;
    fs::current_path(folder);
  }
  void TearDown() override {
    fs::current_path(home);
    fs::remove_all(folder);
  }

  // Another open file description of the file, holding a lock the way another process would.
  int Hold(const std::string& name, int lock) {
    const int fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(flock(fd, lock | LOCK_NB), 0);
    return fd;
  }

  posix::PosixFiles files;
  fs::path home;
  fs::path folder;
};

TEST_F(PosixFilesTest, AFileReadsBackWholeWhateverItHolds) {
  std::string binary;
  for (int i = 0; i < 70000; ++i) {
    binary.push_back(static_cast<char>(i * 7 % 256));  // NUL bytes, CR, LF and 0xFF included
  }
  EXPECT_FALSE(files.FileExists(kName));
  files.WriteFile(kName, binary);
  EXPECT_TRUE(files.FileExists(kName));
  EXPECT_EQ(files.ReadFile(kName), binary);
  files.WriteFile(kName, kNew);  // a shorter content leaves nothing of the longer one
  EXPECT_EQ(files.ReadFile(kName), kNew);
  files.WriteFile(kName, "");
  EXPECT_EQ(files.ReadFile(kName), "");
  EXPECT_FALSE(fs::exists(kName + ".new"));
  EXPECT_THROW(files.ReadFile("Missing.ini"), std::exception);
}

TEST_F(PosixFilesTest, ReadersShareTheFileButNotWithAWriter) {
  files.WriteFile(kName, kOld);
  const int reader = Hold(kName, LOCK_SH);
  EXPECT_EQ(files.ReadFile(kName), kOld);
  close(reader);
  const int writer = Hold(kName, LOCK_EX);
  EXPECT_THROW(files.ReadFile(kName), std::exception);
  close(writer);
  EXPECT_EQ(files.ReadFile(kName), kOld);
}

// As on Windows, where a file that another process holds open cannot be replaced.
TEST_F(PosixFilesTest, ASaveFailsWhileTheFileIsHeldAndTheOldOneStaysWhole) {
  struct Case {
    const char* what;
    std::string held;
    int lock;
  };
  const Case cases[] = {
      {"read by another", kName, LOCK_SH},
      {"written by another", kName, LOCK_EX},
      {"another save under way", kName + ".new", LOCK_EX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    files.WriteFile(kName, kOld);
    const int other = Hold(c.held, c.lock);
    EXPECT_THROW(files.WriteFile(kName, kNew), std::exception);
    close(other);
    EXPECT_EQ(files.ReadFile(kName), kOld);
    // Only the other save's own new file is left; this save removes nothing of it.
    EXPECT_EQ(fs::exists(kName + ".new"), c.held != kName);
    fs::remove(kName + ".new");
  }
}

TEST_F(PosixFilesTest, ASaveThatCannotWriteTheNewFileLeavesTheOldOneWhole) {
  files.WriteFile(kName, kOld);
  fs::create_directory(kName + ".new");
  EXPECT_THROW(files.WriteFile(kName, kNew), std::exception);
  EXPECT_EQ(files.ReadFile(kName), kOld);
  EXPECT_TRUE(fs::is_directory(kName + ".new"));
}

TEST_F(PosixFilesTest, ADirectoryOfThatNameIsNoFileAndCannotBeReplaced) {
  fs::create_directory(kName);
  EXPECT_FALSE(files.FileExists(kName));
  EXPECT_THROW(files.WriteFile(kName, kNew), std::exception);
  EXPECT_THROW(files.ReadFile(kName), std::exception);
  EXPECT_TRUE(fs::is_directory(kName));
  EXPECT_FALSE(fs::exists(kName + ".new"));
}

}  // namespace
