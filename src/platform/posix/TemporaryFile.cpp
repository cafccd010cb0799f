// A new file of a fresh, unpredictable name beside another, removed again unless it is kept.
#include "platform/posix/TemporaryFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>

#include "framework/TemporaryName.h"

namespace posix {

namespace {

constexpr int kAttempts = 100;

// What a folder answers when it takes no new file, where the old one may still be written.
bool Refuses(int error) {
  return error == EACCES || error == EPERM || error == ENAMETOOLONG || error == EROFS;
}

}  // namespace

std::string RandomBytes() {
  std::string bytes(fw::kTemporaryRandomBytes, '\0');
  if (getrandom(bytes.data(), bytes.size(), GRND_NONBLOCK) != static_cast<ssize_t>(bytes.size())) {
    // Without the kernel's randomness (only early at boot) the exclusive creation still keeps
    // the file ours; the clock varies the name.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      bytes[i] = static_cast<char>(now.tv_nsec >> (3 * i));
    }
  }
  return bytes;
}

TemporaryFile::TemporaryFile(const std::string& folder, const std::string& base, int mode,
                             RandomSource random) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    path_ = folder + "/" + fw::TemporaryName(base, random());
    const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        static_cast<mode_t>(mode));
    if (fd >= 0) {
      file_.Reset(fd);
      flock(fd, LOCK_EX | LOCK_NB);  // a new file: nobody else holds it
      return;
    }
    if (Refuses(errno)) {
      refused_ = true;
      return;
    }
    if (errno != EEXIST) {
      FailOnFile("creating", path_, errno);
    }
  }
  FailOnFile("creating a new file beside", base, EEXIST);
}

void TemporaryFile::Discard() {
  if (!kept_ && file_.Valid()) {
    unlink(path_.c_str());
    file_.Reset(-1);
  }
}

}  // namespace posix
