// A new file of a fresh, unpredictable name beside another, removed again unless it is kept.
#include "platform/posix/TemporaryFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>

namespace posix {

namespace {

constexpr int kAttempts = 100;
constexpr std::size_t kRandomLength = 10;
const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string RandomSuffix() {
  unsigned char bytes[kRandomLength] = {};
  if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    // Without the kernel's randomness (only early at boot) the exclusive creation still keeps
    // the file ours; the clock varies the name.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    for (std::size_t i = 0; i < kRandomLength; ++i) {
      bytes[i] = static_cast<unsigned char>(now.tv_nsec >> (3 * i));
    }
  }
  std::string suffix;
  for (const unsigned char byte : bytes) {
    suffix.push_back(kLetters[byte % (sizeof kLetters - 1)]);
  }
  return suffix;
}

}  // namespace

TemporaryFile::TemporaryFile(const std::string& folder, const std::string& base, int mode) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    path_ = folder;
    path_ += "/";
    path_ += base;
    path_ += ".";
    path_ += RandomSuffix();
    const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        static_cast<mode_t>(mode));
    if (fd >= 0) {
      file_.Reset(fd);
      return;
    }
    if (errno != EEXIST) {
      FailOnFile("creating", path_, errno);
    }
  }
  FailOnFile("creating a new file beside", base, EEXIST);
}

TemporaryFile::~TemporaryFile() {
  if (!kept_ && file_.Valid()) {
    unlink(path_.c_str());
  }
}

}  // namespace posix
