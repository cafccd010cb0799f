// The termination signals: the first ends the session on the program's thread, a second ends
// the process at once, even while the program's thread is busy and takes no message.
#include "platform/gtk/TerminationSignals.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

TEST(TerminationSignals, TheFirstEndsTheSessionOnTheProgramsThread) {
  const std::thread::id program = std::this_thread::get_id();
  int ends = 0;
  bool onProgramsThread = false;
  {
    gtk::TerminationSignals signals(
        [&] {
          ++ends;
          onProgramsThread = std::this_thread::get_id() == program;
        },
        [] { FAIL() << "the first signal ends nothing at once"; });
    raise(SIGHUP);
    for (const auto start = Clock::now();
         ends == 0 && Clock::now() - start < std::chrono::seconds(2);) {
      g_main_context_iteration(nullptr, FALSE);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(onProgramsThread);
}

// The process a second signal ends: it watches the signals, says it is ready, then is busy for
// 10 s without taking a message, as in a long load. Its end before it marks "held" beside.
TEST(TerminationSignals, Busy) {
  const char* folder = std::getenv("VORLIX_SIGNALS_FOLDER");
  if (folder == nullptr) {
    GTEST_SKIP() << "run by ASecondEndsTheProcessAtOnce";
  }
  const fs::path where = folder;
  gtk::TerminationSignals signals([] {}, [where] { fs::create_directory(where / "held"); });
  fs::create_directory(where / "ready");
  std::this_thread::sleep_for(std::chrono::seconds(10));
  _exit(0);
}

TEST(TerminationSignals, ASecondEndsTheProcessAtOnce) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal));
    const fs::path folder =
        fs::temp_directory_path() / ("vorlix-signals-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directory(folder);
    // The child is this program, running only the test above, quietly and with no report.
    setenv("VORLIX_SIGNALS_FOLDER", folder.c_str(), 1);
    unsetenv("GTEST_OUTPUT");
    std::string filter = "--gtest_filter=TerminationSignals.Busy";
    char* argv[] = {const_cast<char*>("/proc/self/exe"), filter.data(), nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, "/proc/self/exe", &quiet, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&quiet);
    unsetenv("VORLIX_SIGNALS_FOLDER");
    for (const auto start = Clock::now();
         !fs::exists(folder / "ready") && Clock::now() - start < std::chrono::seconds(20);) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(fs::exists(folder / "ready"));
    kill(child, signal);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(waitpid(child, nullptr, WNOHANG), 0) << "the first signal ended it at once";
    const auto second = Clock::now();
    kill(child, signal);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0 &&
           Clock::now() - second < std::chrono::seconds(5)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_LT(Clock::now() - second, std::chrono::seconds(1));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status;
    EXPECT_TRUE(fs::exists(folder / "held")) << "the end waited for no write";
    if (!WIFSIGNALED(status) && !WIFEXITED(status)) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
    fs::remove_all(folder);
  }
}

}  // namespace
