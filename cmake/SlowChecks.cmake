# clang-tidy over the project's sources and the short fuzz run, as ctest entries of the linux-asan
# tree with labels of their own: its other test presets leave them out, ctest --preset tidy and
# ctest --preset fuzz run them. Each configures and builds the trees it needs itself.
# VORLIX_TIDY_JOBS, when set for the test run, is how many files clang-tidy reads at a time (2).
add_test(NAME clang_tidy COMMAND bash -c [[exec "$0" "-j${VORLIX_TIDY_JOBS:-2}"]]
  ${PROJECT_SOURCE_DIR}/tests/tidy/run.sh)
# VORLIX_FUZZ_SECONDS, when set for the test run, is the length of the run (60 s otherwise).
add_test(NAME fuzz_smoke COMMAND bash -c [[exec "$0" "${VORLIX_FUZZ_SECONDS:-60}"]]
  ${PROJECT_SOURCE_DIR}/tests/fuzz/run.sh)
set_tests_properties(clang_tidy PROPERTIES LABELS tidy TIMEOUT 5400)
set_tests_properties(fuzz_smoke PROPERTIES LABELS fuzz TIMEOUT 3600)
