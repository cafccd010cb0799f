# clang-tidy over the project's sources and the short fuzz run, as ctest entries of the native
# tree with labels of their own: ctest --preset native leaves them out, ctest --preset tidy and
# ctest --preset fuzz run them. Each configures and builds the trees it needs itself.
add_test(NAME clang_tidy COMMAND ${PROJECT_SOURCE_DIR}/tests/tidy/run.sh --linux)
# VORLIX_FUZZ_SECONDS, when set for the test run, is the length of the run (60 s otherwise).
add_test(NAME fuzz_smoke COMMAND bash -c [[exec "$0" "${VORLIX_FUZZ_SECONDS:-60}"]]
  ${PROJECT_SOURCE_DIR}/tests/fuzz/run.sh)
set_tests_properties(clang_tidy PROPERTIES LABELS tidy TIMEOUT 5400)
set_tests_properties(fuzz_smoke PROPERTIES LABELS fuzz TIMEOUT 3600)
