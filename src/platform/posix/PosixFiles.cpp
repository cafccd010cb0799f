// Reads and writes of the settings file, keeping the file what the user made it.
#include "platform/posix/PosixFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "framework/PlatformError.h"
#include "platform/posix/ExtendedAttributes.h"
#include "platform/posix/FileDescriptor.h"
#include "platform/posix/Leftovers.h"
#include "platform/posix/LinkTarget.h"
#include "platform/posix/TemporaryFile.h"

namespace posix {

namespace {

constexpr std::size_t kBlockSize = std::size_t{64} * 1024;
// How long a read waits for another process to let go of the file: another instance's save
// holds it for about a millisecond.
constexpr std::chrono::milliseconds kLockWait{2000};
constexpr std::chrono::milliseconds kRetry{10};
// How long the process's end waits for a write under way.
constexpr std::chrono::milliseconds kLongestWriteWait{500};

bool Lock(int fd, int operation) {
  int result;
  do {
    result = flock(fd, operation | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

bool WriteAll(int fd, const std::string& content, off_t offset) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t written =
        pwrite(fd, content.data() + done, content.size() - done, offset + static_cast<off_t>(done));
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

// Takes the room of size bytes on the disk for the file ahead of a write over it; true, too,
// where the file system cannot take room ahead.
bool TakeRoom(int fd, std::size_t size) {
  return size == 0 || fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0 ||
         errno == EOPNOTSUPP || errno == ENOSYS;
}

// Over the old content, then cut to the new length and flushed. The content's room is taken
// first, so that a full disk leaves the old content as it was.
void WriteInPlace(int fd, const std::string& name, const std::string& content) {
  if (!TakeRoom(fd, content.size()) || !WriteAll(fd, content, 0) ||
      ftruncate(fd, static_cast<off_t>(content.size())) != 0 || fsync(fd) != 0) {
    FailOnFile("writing", name, errno);
  }
}

// A regular file opened for reading and locked shared: others may read it meanwhile, but not
// write it. While another process holds it exclusively, the file is opened afresh (a save may
// have replaced it) for up to kLockWait.
int OpenForReading(const std::string& name) {
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    // Opening a pipe without a writer, or a device, must not wait: the file is looked at first.
    FileDescriptor file(open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.Valid()) {
      FailOnFile("opening", name, errno);
    }
    struct stat status {};
    if (fstat(file.Get(), &status) != 0) {
      FailOnFile("looking at", name, errno);
    }
    if (!S_ISREG(status.st_mode)) {
      FailOnFile("reading", name, EINVAL);
    }
    if (Lock(file.Get(), LOCK_SH)) {
      return file.Release();
    }
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() - start >= kLockWait) {
      FailOnFile("locking", name, errno);
    }
    std::this_thread::sleep_for(kRetry);
  }
}

// Written, flushed and renamed over target; the folder is flushed after.
void PutInPlace(TemporaryFile& fresh, const std::string& target, const std::string& content,
                PosixFiles::FolderFlush flushFolder) {
  if (!WriteAll(fresh.Get(), content, 0) || fsync(fresh.Get()) != 0) {
    FailOnFile("writing", fresh.Path(), errno);
  }
  if (rename(fresh.Path().c_str(), target.c_str()) != 0) {
    FailOnFile("replacing", target, errno);
  }
  fresh.Keep();
  flushFolder(FolderOf(target));
}

// The first save: a fresh file beside where target is to be.
void Create(const std::string& target, const std::string& content,
            PosixFiles::FolderFlush flushFolder) {
  TemporaryFile fresh(FolderOf(target), BaseNameOf(target), 0666);
  if (fresh.Refused()) {
    FailOnFile("creating", target, EACCES);
  }
  PutInPlace(fresh, target, content, flushFolder);
}

// The new content in a fresh file beside target (the old file, open as fd), which first takes
// the old file's owner, group, extended attributes (its access list among them) and mode, and
// then target's place. Where the folder takes no new file, or the fresh one cannot take all
// that the old one carries, the old file is written in place instead.
void Replace(const std::string& target, const std::string& content, const struct stat& old, int fd,
             PosixFiles::FolderFlush flushFolder) {
  TemporaryFile fresh(FolderOf(target), BaseNameOf(target), 0600);
  if (fresh.Refused() || fchown(fresh.Get(), old.st_uid, old.st_gid) != 0 ||
      !CopyExtendedAttributes(fd, fresh.Get())) {
    fresh.Discard();
    WriteInPlace(fd, target, content);
    return;
  }
  // The mode last: it is the access list's base entries, and setting an access list sets them.
  if (fchmod(fresh.Get(), old.st_mode & 07777) != 0) {
    FailOnFile("setting the mode of", fresh.Path(), errno);
  }
  PutInPlace(fresh, target, content, flushFolder);
}

}  // namespace

void FlushFolder(const std::string& folder) {
  const FileDescriptor directory(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.Valid()) {
    fsync(directory.Get());
  }
}

void FailOnFile(const std::string& what, const std::string& name, int error) {
  throw fw::EFileError(what, name, std::strerror(error), VORLIX_CALLER_ADDRESS());
}

bool PosixFiles::FileExists(const std::string& name) {
  struct stat status {};
  return stat(name.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

void PosixFiles::ReadFile(const std::string& name, const fw::TakeBlock& take) {
  const FileDescriptor file(OpenForReading(name));
  std::vector<char> buffer(kBlockSize);
  for (;;) {
    const ssize_t size = read(file.Get(), buffer.data(), buffer.size());
    if (size < 0) {
      if (errno == EINTR) {
        continue;
      }
      FailOnFile("reading", name, errno);
    }
    if (size == 0 || !take(std::string_view(buffer.data(), static_cast<std::size_t>(size)))) {
      return;
    }
  }
}

void PosixFiles::HoldWrites() {
  // Held for good: the process ends right after. A write that takes longer is cut all the same.
  (void)writing_.try_lock_for(kLongestWriteWait);
}

void PosixFiles::WriteFile(const std::string& name, const std::string& content) {
  const std::lock_guard<std::timed_mutex> writing(writing_);
  const std::string target = FollowLinks(name);
  ClearLeftovers(target);
  struct stat old {};
  if (lstat(target.c_str(), &old) != 0) {
    if (errno != ENOENT) {
      FailOnFile("looking at", target, errno);
    }
    Create(target, content, flushFolder_);
    return;
  }
  if (!S_ISREG(old.st_mode)) {
    FailOnFile("writing", target, EINVAL);
  }
  // Opened for writing to prove that the user may write it; a file that nobody may write was
  // made read-only on purpose, and the superuser keeps it so too.
  const FileDescriptor file(
      open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file.Valid()) {
    FailOnFile("opening", target, errno);
  }
  struct stat opened {};
  if (fstat(file.Get(), &opened) != 0 || opened.st_dev != old.st_dev ||
      opened.st_ino != old.st_ino || (opened.st_mode & 0222) == 0) {
    FailOnFile("writing", target, EACCES);
  }
  // The old file is held exclusively until it has been written or replaced.
  if (!Lock(file.Get(), LOCK_EX)) {
    FailOnFile("locking", target, errno);
  }
  if (opened.st_nlink > 1) {
    WriteInPlace(file.Get(), target, content);
    return;
  }
  Replace(target, content, opened, file.Get(), flushFolder_);
}

}  // namespace posix
