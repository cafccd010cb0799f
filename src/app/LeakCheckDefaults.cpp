// The leak checker's defaults for the sanitized Linux program: fontconfig keeps its caches
// until the process ends, which the checker would otherwise report as leaks at every exit.
// The names are the sanitizer runtime's hooks, reserved for it to look up.
// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

extern "C" const char* __lsan_default_options() {
  return "print_suppressions=0";
}
// NOLINTEND(bugprone-reserved-identifier)
