// Reads and saves of the settings file over every kind of file a user (or an attacker) may put
// at its name or beside it: links, pipes, devices, modes, owners, held locks and a full disk.
#include "platform/posix/PosixFiles.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "framework/TemporaryName.h"
#include "platform/posix/FileDescriptor.h"
#include "platform/posix/TemporaryFile.h"
#include "settings/SettingsReader.h"

namespace {

namespace fs = std::filesystem;
using posix::FileDescriptor;
using Clock = std::chrono::steady_clock;
using namespace std::string_literals;

const std::string kName = "Vorlix.ini";
const std::string kOld = "MainFormPosX=10\r\nIP=198.18.0.35\r\n";
const std::string kNew = "MainFormPosX=20\r\n";

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void Put(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// The old content at the file, in that mode, and the settings file's name a link to it.
void LinkTo(const fs::path& file, mode_t mode) {
  Put(file, kOld);
  chmod(file.c_str(), mode);
  fs::create_symlink(file, kName);
}

struct stat Status(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
  return status;
}

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
    umount2((folder / "small").c_str(), MNT_DETACH);
    fs::remove_all(folder);
  }

  // Another open file description of the file, holding a lock the way another process would.
  int Hold(const std::string& name, int lock) {
    const int fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(flock(fd, lock | LOCK_NB), 0);
    return fd;
  }

  // The whole content as the reads hand it over, and the number of blocks.
  std::string Read(const std::string& name, std::size_t* blocks = nullptr) {
    std::string content;
    std::size_t count = 0;
    files.ReadFile(name, [&](std::string_view block) {
      EXPECT_LE(block.size(), 64u * 1024u);
      content.append(block);
      ++count;
      return true;
    });
    if (blocks != nullptr) {
      *blocks = count;
    }
    return content;
  }

  // Every name in the folder, so that no save leaves a file of its own behind.
  std::set<std::string> Names(const fs::path& where = ".") {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(where)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  posix::PosixFiles files;
  fs::path home;
  fs::path folder;
};

// The folders whose entries a save flushed, in order.
std::vector<std::string> flushed;
void NoteFlush(const std::string& folder) {
  flushed.push_back(folder);
  posix::FlushFolder(folder);
}

// A rename is flushed in the folder it was made in, where a link may lead; a write in place
// renames nothing.
TEST_F(PosixFilesTest, ASaveFlushesTheFolderOfTheNameItGaveTheFile) {
  posix::PosixFiles watched(NoteFlush);
  fs::create_directory("dotfiles");
  Put("dotfiles/other.ini", kOld);
  fs::create_hard_link("dotfiles/other.ini", "second.ini");
  fs::create_symlink("dotfiles/linked.ini", "linked.ini");  // a first save there
  struct Case {
    const char* name;
    std::vector<std::string> flushed;
  };
  for (const Case& c :
       {Case{kName.c_str(), {"."}}, Case{kName.c_str(), {"."}}, Case{"linked.ini", {"dotfiles"}},
        Case{"linked.ini", {"dotfiles"}}, Case{"second.ini", {}}}) {
    flushed.clear();
    watched.WriteFile(c.name, kNew);
    EXPECT_EQ(flushed, c.flushed) << c.name;
  }
}

// Each temporary file's name is fresh: ten random letters and digits after ".Vorlix.ini.".
TEST_F(PosixFilesTest, EachTemporaryFileHasAFreshRandomName) {
  std::set<std::string> names;
  for (int i = 0; i < 4; ++i) {
    const posix::TemporaryFile made(".", kName, 0600);
    const std::string name = fs::path(made.Path()).filename().string();
    ASSERT_EQ(name.size(), 22u) << name;
    EXPECT_EQ(name.substr(0, 12), ".Vorlix.ini.");
    EXPECT_TRUE(std::all_of(name.begin() + 12, name.end(), isalnum)) << name;
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 4u);
}

// Random bytes of the same letter, 'a' first, the next letter each call.
int randomCalls = 0;
std::string Letters() {
  std::string bytes(fw::kTemporaryRandomBytes, static_cast<char>('a' + randomCalls++));
  return bytes;
}

// A temporary file never takes a name that is there: neither a file nor a link is opened.
TEST_F(PosixFilesTest, ATemporaryFileNeverTakesANameThatIsThere) {
  const std::string taken = fw::TemporaryName(kName, std::string(fw::kTemporaryRandomBytes, 'a'));
  const std::string fresh = fw::TemporaryName(kName, std::string(fw::kTemporaryRandomBytes, 'b'));
  for (const bool link : {false, true}) {
    SCOPED_TRACE(link ? "a link" : "a file");
    fs::remove_all(taken);
    Put("victim", "theirs");
    if (link) {
      fs::create_symlink("victim", taken);
    } else {
      fs::rename("victim", taken);
    }
    randomCalls = 0;
    const posix::TemporaryFile made(".", kName, 0600, Letters);
    EXPECT_EQ(made.Path(), "./" + fresh);
    EXPECT_EQ(Contents(taken), "theirs");
  }
}

TEST_F(PosixFilesTest, AFileReadsBackWholeWhateverItHolds) {
  std::string binary;
  for (int i = 0; i < 200000; ++i) {
    binary.push_back(static_cast<char>(i * 7 % 256));  // NUL bytes, CR, LF and 0xFF included
  }
  EXPECT_FALSE(files.FileExists(kName));
  files.WriteFile(kName, binary);
  EXPECT_TRUE(files.FileExists(kName));
  std::size_t blocks = 0;
  EXPECT_EQ(Read(kName, &blocks), binary);
  EXPECT_EQ(blocks, 4u) << "blocks of 64 KiB";
  files.WriteFile(kName, kNew);  // a shorter content leaves nothing of the longer one
  EXPECT_EQ(Read(kName), kNew);
  files.WriteFile(kName, "");
  EXPECT_EQ(Read(kName), "");
  EXPECT_EQ(Names(), std::set<std::string>{kName});
  EXPECT_THROW(Read("Missing.ini"), std::exception);
}

TEST_F(PosixFilesTest, AReadStopsWhenTheReaderWantsNoMore) {
  // A file far larger than any settings file, holding no byte of its own (sparse).
  { std::ofstream(kName).flush(); }
  fs::resize_file(kName, 1ull << 30);
  std::size_t blocks = 0;
  files.ReadFile(kName, [&blocks](std::string_view) { return ++blocks < 3; });
  EXPECT_EQ(blocks, 3u);

  // Through the settings reader: a NUL in the middle ends the content, and the read with it.
  Put(kName,
      "IP=198.18.0.20\r\nTimeOut=7\0TimeOut=8\r\nAutoPing=1\r\n"s + std::string(1 << 20, 'x'));
  settings::SettingsReader reader([](std::string_view text) { return std::string(text); });
  blocks = 0;
  files.ReadFile(kName, [&](std::string_view block) {
    ++blocks;
    return reader.Take(block);
  });
  EXPECT_EQ(blocks, 1u);
  EXPECT_EQ(reader.Value(settings::SettingsKey::IP), "198.18.0.20");
  EXPECT_EQ(reader.Value(settings::SettingsKey::TimeOut), "7");
  EXPECT_EQ(reader.Value(settings::SettingsKey::AutoPing), "");
}

// Only a regular file is read; anything else fails at once, without waiting for a writer or
// reading without end.
TEST_F(PosixFilesTest, OnlyARegularFileIsReadAndNothingWaits) {
  Put("target.ini", kOld);
  fs::create_directory("dotfiles");
  Put("dotfiles/linked.ini", kNew);
  ASSERT_EQ(mkfifo("pipe", 0644), 0);
  struct Case {
    const char* what;
    std::function<void()> make;
    bool reads;
    std::string content;
  };
  const Case cases[] = {
      {"a regular file", [] { Put(kName, kOld); }, true, kOld},
      {"an absolute link", [this] { fs::create_symlink(folder / "target.ini", kName); }, true,
       kOld},
      {"a relative link", [] { fs::create_symlink("dotfiles/linked.ini", kName); }, true, kNew},
      {"a dangling link", [] { fs::create_symlink("nowhere.ini", kName); }, false, ""},
      {"a link loop", [] { fs::create_symlink(kName, kName); }, false, ""},
      {"a pipe without a writer", [] { ASSERT_EQ(mkfifo(kName.c_str(), 0644), 0); }, false, ""},
      {"a link to a pipe", [] { fs::create_symlink("pipe", kName); }, false, ""},
      {"a link to /dev/zero", [] { fs::create_symlink("/dev/zero", kName); }, false, ""},
      {"a link to /dev/urandom", [] { fs::create_symlink("/dev/urandom", kName); }, false, ""},
      {"a directory", [] { fs::create_directory(kName); }, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(kName);
    c.make();
    const auto start = Clock::now();
    if (c.reads) {
      EXPECT_EQ(Read(kName), c.content);
    } else {
      EXPECT_THROW(Read(kName), std::exception);
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  }
}

// A load as the settings reader takes it: past a byte-order mark, and once a writer that holds
// the file lets go of it within 2 s.
TEST_F(PosixFilesTest, ALoadSkipsAByteOrderMarkAndWaitsBrieflyForAWriter) {
  struct Case {
    const char* what;
    std::string content;
    int lock;
    int heldMs;  // 0: nobody holds it
    bool reads;
  };
  const std::string plain = "IP=198.18.0.20\r\n";
  const Case cases[] = {
      {"plain", plain, LOCK_EX, 0, true},
      {"a byte-order mark", "\xEF\xBB\xBF" + plain, LOCK_EX, 0, true},
      {"read by another meanwhile, for longer than a wait would take", plain, LOCK_SH, 800, true},
      {"written by another for 0.3 s", plain, LOCK_EX, 300, true},
      {"written by another past the wait", plain, LOCK_EX, 2600, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    files.WriteFile(kName, c.content);
    const auto start = Clock::now();
    const int other = c.heldMs > 0 ? Hold(kName, c.lock) : -1;
    std::thread release([other, &c] {
      std::this_thread::sleep_for(std::chrono::milliseconds(c.heldMs));
      close(other);
    });
    settings::SettingsReader reader([](std::string_view text) { return std::string(text); });
    const auto load = [&] {
      files.ReadFile(kName, [&](auto block) { return reader.Take(block); });
    };
    if (c.reads) {
      load();
      EXPECT_EQ(reader.Value(settings::SettingsKey::IP), "198.18.0.20");
    } else {
      EXPECT_THROW(load(), std::exception);
    }
    const auto waited = Clock::now() - start;
    const bool waits = c.lock == LOCK_EX;
    EXPECT_GE(waited, std::chrono::milliseconds(!waits ? 0 : c.reads ? c.heldMs - 50 : 1950));
    EXPECT_LT(waited, std::chrono::milliseconds(!waits ? 500 : c.reads ? c.heldMs + 1000 : 2600));
    release.join();
  }
}

// As on Windows, where a file that another process holds open cannot be replaced.
TEST_F(PosixFilesTest, ASaveFailsWhileTheFileIsHeldAndTheOldOneStaysWhole) {
  for (const int lock : {LOCK_SH, LOCK_EX}) {
    SCOPED_TRACE(lock == LOCK_SH ? "read by another" : "written by another");
    files.WriteFile(kName, kOld);
    const int other = Hold(kName, lock);
    EXPECT_THROW(files.WriteFile(kName, kNew), std::exception);
    close(other);
    EXPECT_EQ(Contents(kName), kOld);
    EXPECT_EQ(Names(), std::set<std::string>{kName});
  }
}

// What each kind of file at the name is after a save: the same kind, with the new content where
// it may be written, byte for byte the old one where not.
TEST_F(PosixFilesTest, ASaveKeepsTheFileWhatTheUserMadeIt) {
  fs::create_directory("dotfiles");
  struct Case {
    const char* what;
    std::function<void()> make;
    fs::path written;  // where the content goes; empty when the save must fail
    mode_t mode;       // the mode the written file keeps
  };
  const Case cases[] = {
      {"mode 0600", [] { Put(kName, kOld), chmod(kName.c_str(), 0600); }, kName, 0600},
      {"mode 0640", [] { Put(kName, kOld), chmod(kName.c_str(), 0640); }, kName, 0640},
      {"set-group-id", [] { Put(kName, kOld), chmod(kName.c_str(), 02640); }, kName, 02640},
      {"an absolute link", [this] { LinkTo(folder / "dotfiles/abs.ini", 0600); },
       "dotfiles/abs.ini", 0600},
      {"a relative link", [] { LinkTo("dotfiles/rel.ini", 0644); }, "dotfiles/rel.ini", 0644},
      {"a chain of links",
       [] {
         Put("dotfiles/end.ini", kOld);
         fs::create_symlink("end.ini", "dotfiles/middle.ini");
         fs::create_symlink("dotfiles/middle.ini", kName);
       },
       "dotfiles/end.ini", 0644},
      {"a chain that ends in an absolute link",
       [this] {
         Put("dotfiles/far.ini", kOld);
         fs::create_symlink(folder / "dotfiles/far.ini", "dotfiles/near.ini");
         fs::create_symlink("dotfiles/near.ini", kName);
       },
       "dotfiles/far.ini", 0644},
      {"a dangling link", [] { fs::create_symlink("dotfiles/new.ini", kName); }, "dotfiles/new.ini",
       0644},
      {"a second name",
       [] {
         Put("dotfiles/other.ini", kOld);
         fs::create_hard_link("dotfiles/other.ini", kName);
       },
       "dotfiles/other.ini", 0644},
      {"read-only", [] { Put(kName, kOld), chmod(kName.c_str(), 0444); }, "", 0},
      {"a link to a read-only file", [] { LinkTo("dotfiles/ro.ini", 0444); }, "", 0},
      {"a pipe", [] { mkfifo(kName.c_str(), 0644); }, "", 0},
      {"a device of its own (a pipe for a user who may make none)",
       [] {
         if (mknod(kName.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
           mkfifo(kName.c_str(), 0666);
         }
       },
       "", 0},
      {"a link to a pipe",
       [] {
         mkfifo("dotfiles/pipe", 0644);
         fs::create_symlink("dotfiles/pipe", kName);
       },
       "", 0},
      {"a link loop", [] { fs::create_symlink(kName, kName); }, "", 0},
  };
  const mode_t mask = umask(022);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(kName);
    c.make();
    const bool wasLink = fs::is_symlink(kName);
    const fs::path linkTarget = wasLink ? fs::read_symlink(kName) : fs::path();
    const std::set<std::string> before = Names("dotfiles");
    const auto start = Clock::now();
    if (c.written.empty()) {
      EXPECT_THROW(files.WriteFile(kName, kNew), std::exception);
      std::error_code noFile;
      if (fs::is_regular_file(kName, noFile)) {
        EXPECT_EQ(Contents(kName), kOld);
      }
    } else {
      files.WriteFile(kName, kNew);
      EXPECT_EQ(Contents(c.written), kNew);
      EXPECT_EQ(Contents(kName), kNew) << "through the name too";
      EXPECT_EQ(Status(c.written).st_mode & 07777, c.mode);
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(fs::is_symlink(kName), wasLink) << "the name stays a link, or no link";
    if (wasLink) {
      EXPECT_EQ(fs::read_symlink(kName), linkTarget);
    }
    if (std::string(c.what) == "a second name") {
      EXPECT_EQ(Status(kName).st_ino, Status(c.written).st_ino) << "still one file";
      EXPECT_EQ(Status(kName).st_nlink, 2u);
    }
    // Nothing of the save's own is left in either folder.
    std::set<std::string> now = Names("dotfiles");
    now.erase(c.written.filename().string());
    std::set<std::string> was = before;
    was.erase(c.written.filename().string());
    EXPECT_EQ(now, was);
    EXPECT_EQ(Names().size(), 2u) << "the name and dotfiles";
  }
  umask(mask);
}

// An access list in the kernel's form, as "setfacl -m u:12345:rw" makes it on a 0644 file: the
// owner rw, user 12345 rw, the group r, the mask rw, others r.
std::string AccessListGrantingAnotherUser() {
  std::string list;
  auto put = [&list](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      list.push_back(static_cast<char>(value >> (8 * i)));
    }
  };
  put(2, 4);  // the format's version
  const std::uint32_t entries[][3] = {{0x01, 6, 0xFFFFFFFF},
                                      {0x02, 6, 12345},
                                      {0x04, 4, 0xFFFFFFFF},
                                      {0x10, 6, 0xFFFFFFFF},
                                      {0x20, 4, 0xFFFFFFFF}};
  for (const auto& entry : entries) {
    put(entry[0], 2);
    put(entry[1], 2);
    put(entry[2], 4);
  }
  return list;
}

std::string Attribute(const fs::path& path, const char* name) {
  char value[256];
  const ssize_t size = getxattr(path.c_str(), name, value, sizeof value);
  return size < 0 ? "(none)" : std::string(value, static_cast<std::size_t>(size));
}

TEST_F(PosixFilesTest, ASaveKeepsTheAccessListAndTheExtendedAttributes) {
  const std::string granted = AccessListGrantingAnotherUser();
  Put(kName, kOld);
  ASSERT_EQ(chmod(kName.c_str(), 0644), 0);
  ASSERT_EQ(setxattr(kName.c_str(), "user.origin", "by hand", 7, 0), 0) << std::strerror(errno);
  ASSERT_EQ(setxattr(kName.c_str(), "system.posix_acl_access", granted.data(), granted.size(), 0),
            0)
      << std::strerror(errno);
  const mode_t mode = Status(kName).st_mode & 07777;
  files.WriteFile(kName, kNew);
  EXPECT_EQ(Contents(kName), kNew);
  EXPECT_EQ(Attribute(kName, "user.origin"), "by hand");
  EXPECT_EQ(Attribute(kName, "system.posix_acl_access"), granted);
  EXPECT_EQ(Status(kName).st_mode & 07777, mode);

  // A folder that hands its access list down to new files: the file without one stays without.
  fs::create_directory("inherits");
  ASSERT_EQ(setxattr("inherits", "system.posix_acl_default", granted.data(), granted.size(), 0), 0);
  Put("inherits/Vorlix.ini", kOld);
  ASSERT_EQ(removexattr("inherits/Vorlix.ini", "system.posix_acl_access"), 0);
  ASSERT_EQ(chmod("inherits/Vorlix.ini", 0640), 0);
  files.WriteFile("inherits/Vorlix.ini", kNew);
  EXPECT_EQ(Contents("inherits/Vorlix.ini"), kNew);
  EXPECT_EQ(Attribute("inherits/Vorlix.ini", "system.posix_acl_access"), "(none)");
  EXPECT_EQ(Status("inherits/Vorlix.ini").st_mode & 07777, 0640u);
  EXPECT_EQ(Names().size(), 2u);
}

// Sets or clears a folder's immutable flag (chattr +i); false where that cannot be done.
bool SetImmutable(const fs::path& path, bool on) {
  const FileDescriptor folder(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  int flags = 0;
  if (!folder.Valid() || ioctl(folder.Get(), FS_IOC_GETFLAGS, &flags) != 0) {
    return false;
  }
  flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
  return ioctl(folder.Get(), FS_IOC_SETFLAGS, &flags) == 0;
}

// Where no fresh file can be made beside the file, a save writes it in place, as long as it
// may be written; the superuser may make a file in a folder that the user may not write.
TEST_F(PosixFilesTest, ASaveWritesInPlaceWhereNoNewFileCanBeMade) {
  const bool root = geteuid() == 0;
  enum class Lock { Mode0555, Immutable, None };
  struct Case {
    const char* what;
    Lock lock;
    const char* file;  // in the folder "locked"; reached through a link at kName but for
    bool link;         // "Vorlix.ini"
    mode_t mode;
    bool inPlace;  // false: replaced or, for a file nobody may write, left as it is
  };
  const std::string longName(250, 'l');
  const Case cases[] = {
      {"a folder the user may not write", Lock::Mode0555, "Vorlix.ini", false, 0644, !root},
      {"a link into such a folder, to a file all may write", Lock::Mode0555, "t.ini", true, 0666,
       !root},
      {"an immutable folder", Lock::Immutable, "Vorlix.ini", false, 0644, true},
      {"a link into an immutable folder", Lock::Immutable, "t.ini", true, 0644, true},
      {"a name too long for a temporary one beside it", Lock::None, longName.c_str(), true, 0644,
       true},
      {"a file nobody may write, in a folder the user may not write", Lock::Mode0555, "Vorlix.ini",
       false, 0444, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.lock == Lock::Immutable && !root) {
      continue;  // only the superuser may make a folder immutable
    }
    fs::remove(kName);
    fs::create_directory("locked");
    const fs::path file = fs::path("locked") / c.file;
    Put(file, kOld);
    chmod(file.c_str(), c.mode);
    if (c.link) {
      fs::create_symlink(file, kName);
    }
    ASSERT_TRUE(c.lock != Lock::Immutable || SetImmutable("locked", true));
    chmod("locked", c.lock == Lock::Mode0555 ? 0555 : 0755);
    const ino_t before = Status(file).st_ino;
    const std::string name = c.link ? kName : file.string();
    if (c.mode == 0444) {
      EXPECT_THROW(files.WriteFile(name, kNew), std::exception);
      EXPECT_EQ(Contents(file), kOld);
    } else {
      files.WriteFile(name, kNew);
      EXPECT_EQ(Contents(file), kNew);
    }
    if (c.inPlace) {
      EXPECT_EQ(Status(file).st_ino, before) << "written in place";
    }
    EXPECT_EQ(Names("locked"), std::set<std::string>{c.file}) << "nothing is left beside it";
    SetImmutable("locked", false);
    chmod("locked", 0755);
    fs::remove_all("locked");
  }
}

// What interrupted saves left: a save removes the program's own temporary files, regular, of
// one name, the user's, held by nobody; everything else stays.
TEST_F(PosixFilesTest, ASaveClearsWhatInterruptedSavesLeftAndNothingElse) {
  Put(kName, kOld);
  Put("Vorlix.ini.bak", kOld);
  const std::pair<const char*, bool> planted[] = {
      {".Vorlix.ini.Ab3dE6gH9j", true},           {".Vorlix.ini.0123456789", true},
      {"Vorlix.ini.0123456789ABCDEF", true},      {"Vorlix.ini.Ab3dE6gH9j", false},
      {".Vorlix.ini.LinkedFile", false},          {".Vorlix.ini.SymbolLink", false},
      {".Vorlix.ini.Directory1", false},          {".Vorlix.ini.HeldLocked", false},
      {".Vorlix.ini.OthersFile", geteuid() != 0},
  };
  for (const auto& [name, cleared] : planted) {
    const std::string n = name;
    if (n == ".Vorlix.ini.LinkedFile") {
      fs::create_hard_link("Vorlix.ini.bak", n);
    } else if (n == ".Vorlix.ini.SymbolLink") {
      fs::create_symlink("Vorlix.ini.bak", n);
    } else if (n == ".Vorlix.ini.Directory1") {
      fs::create_directory(n);
    } else {
      Put(n, kOld);
    }
  }
  const int held = Hold(".Vorlix.ini.HeldLocked", LOCK_EX);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(".Vorlix.ini.OthersFile", 12345, 12345), 0);
  }
  const posix::TemporaryFile underWay(".", kName, 0600);  // another save's, being written
  files.WriteFile(kName, kNew);
  close(held);
  EXPECT_EQ(Contents(kName), kNew);
  EXPECT_TRUE(fs::exists(underWay.Path())) << "a save under way keeps its file";
  for (const auto& [name, cleared] : planted) {
    EXPECT_EQ(!fs::exists(fs::symlink_status(name)), cleared) << name;
  }
  EXPECT_TRUE(fs::exists("Vorlix.ini.bak"));
  // Through a link, what is cleared lies beside the file it leads to, named after that file.
  fs::create_directory("dotfiles");
  Put("dotfiles/real.ini", kOld);
  Put("dotfiles/.real.ini.Ab3dE6gH9j", kOld);
  fs::create_symlink("dotfiles/real.ini", "linked.ini");
  files.WriteFile("linked.ini", kNew);
  EXPECT_FALSE(fs::exists("dotfiles/.real.ini.Ab3dE6gH9j"));
}

TEST_F(PosixFilesTest, ASaveKeepsTheOwnerAndGroup) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "only the superuser may give a file to another user";
  }
  Put(kName, kOld);
  ASSERT_EQ(chown(kName.c_str(), 12345, 23456), 0);
  ASSERT_EQ(chmod(kName.c_str(), 0640), 0);
  files.WriteFile(kName, kNew);
  EXPECT_EQ(Contents(kName), kNew);
  EXPECT_EQ(Status(kName).st_uid, 12345u);
  EXPECT_EQ(Status(kName).st_gid, 23456u);
  EXPECT_EQ(Status(kName).st_mode & 07777, 0640u);
}

// Names planted beside the file, where a save used to write: none is opened for writing, and a
// save still works.
TEST_F(PosixFilesTest, NothingPlantedBesideTheFileIsWritten) {
  Put("victim", "the victim's own\n");
  for (const std::string planted : {"Vorlix.ini.new", "Vorlix.ini.tmp", "Vorlix.ini~"}) {
    SCOPED_TRACE(planted);
    Put(kName, kOld);
    fs::create_symlink("victim", planted);
    ASSERT_EQ(mkfifo((planted + ".pipe").c_str(), 0644), 0);
    files.WriteFile(kName, kNew);
    EXPECT_EQ(Contents(kName), kNew);
    EXPECT_EQ(Contents("victim"), "the victim's own\n");
    EXPECT_TRUE(fs::is_symlink(planted));
    EXPECT_TRUE(fs::is_fifo(planted + ".pipe"));
    fs::remove(planted);
    fs::remove(planted + ".pipe");
    EXPECT_EQ(Names(), (std::set<std::string>{kName, "victim"}));
  }
}

TEST_F(PosixFilesTest, ASaveThatCannotWriteLeavesTheOldFileByteForByte) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "mounting a small file system needs the superuser";
  }
  // A file system of 64 KiB, nearly full: the old file fits, the new content does not.
  fs::create_directory("small");
  ASSERT_EQ(mount("tmpfs", "small", "tmpfs", 0, "size=64k"), 0) << std::strerror(errno);
  const fs::path name = "small/Vorlix.ini";
  Put(name, kOld);
  {
    std::ofstream filler("small/filler", std::ios::binary);
    filler << std::string(std::size_t{128} * 1024, 'f');  // stops where the disk is full
  }
  const std::string longer(std::size_t{16} * 1024, 'n');
  EXPECT_THROW(files.WriteFile(name, longer), std::exception);
  EXPECT_EQ(Contents(name), kOld);
  EXPECT_EQ(Names("small"), (std::set<std::string>{"Vorlix.ini", "filler"}));
  // A file of two names is written in place: its room is taken before a byte of it is.
  fs::create_hard_link(name, "small/second.ini");
  EXPECT_THROW(files.WriteFile(name, longer), std::exception);
  EXPECT_EQ(Contents(name), kOld);
}

TEST_F(PosixFilesTest, ADirectoryOfThatNameIsNoFileAndCannotBeReplaced) {
  fs::create_directory(kName);
  EXPECT_FALSE(files.FileExists(kName));
  EXPECT_THROW(files.WriteFile(kName, kNew), std::exception);
  EXPECT_THROW(Read(kName), std::exception);
  EXPECT_TRUE(fs::is_directory(kName));
  EXPECT_EQ(Names(), std::set<std::string>{kName});
}

}  // namespace
