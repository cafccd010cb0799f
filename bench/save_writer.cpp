// A writer of the settings file for the save benchmarks (bench/saves.py): the program's own file
// code, Win32Files or PosixFiles, saving Vorlix.ini in the working folder in a loop.
//   save_writer loop N   saves N times (0: until it is killed), each time the nine lines with
//                        the round's number; "saving" on the standard output after the first;
//                        at the end "saved S failed F" and the first failure's message
//   save_writer watch    looks for Vorlix.ini until a file named "stop" appears beside it;
//                        at the end "looked L missing M"
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#ifdef _WIN32
#include "platform/win32/Win32Files.h"
using Files = win32::Win32Files;
#else
#include "platform/posix/PosixFiles.h"
using Files = posix::PosixFiles;
#endif

namespace {

// The nine lines as the program writes them; the round's number changes their length too.
std::string Settings(long round) {
  const std::string n = std::to_string(round);
  return "MainFormPosX=" + n + "\r\nMainFormPosY=" + n + "\r\nConfigFormPosX=201\r\n" +
         "ConfigFormPosY=107\r\nIP=198.18.0.20\r\nTimeOut=" + std::to_string(round % 10000) +
         "\r\nAutoPing=" + (round % 2 != 0 ? "1" : "0") + "\r\nPingTime=1\r\nStayOnTop=1\r\n";
}

int Loop(long rounds) {
  Files files;
  long saved = 0;
  long failed = 0;
  std::string first;
  for (long round = 1; rounds == 0 || round <= rounds; ++round) {
    try {
      files.WriteFile("Vorlix.ini", Settings(round));
      ++saved;
    } catch (const std::exception& error) {
      if (failed++ == 0) {
        first = error.what();
      }
    }
    if (round == 1) {
      std::printf("saving\n");
      std::fflush(stdout);
    }
  }
  std::printf("saved %ld failed %ld %s\n", saved, failed, first.c_str());
  return 0;
}

int Watch() {
  Files files;
  long looked = 0;
  long missing = 0;
  std::printf("watching\n");
  std::fflush(stdout);
  while (!files.FileExists("stop")) {
    ++looked;
    missing += files.FileExists("Vorlix.ini") ? 0 : 1;
  }
  std::printf("looked %ld missing %ld\n", looked, missing);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "loop" && argc > 2) {
    return Loop(std::atol(argv[2]));
  }
  if (mode == "watch") {
    return Watch();
  }
  std::fprintf(stderr, "usage: save_writer loop N | watch\n");
  return 2;
}
