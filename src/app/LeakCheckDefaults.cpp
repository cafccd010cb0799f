// The leak checker's defaults for the sanitized Linux program: fontconfig keeps its caches
// until the process ends, which the checker would otherwise report as leaks at every exit.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

extern "C" const char* __lsan_default_options() {
  return "print_suppressions=0";
}
