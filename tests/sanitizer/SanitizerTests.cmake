# Included by the top CMakeLists when VQ3_SANITIZE is on, after tests/ has been added.
#
# Every test of this build, and every program a test starts (the e2e tests run the real,
# sanitized vq3-controller and vq3-simulator), runs with the sanitizer options below: stop at
# the first finding, look for leaks at exit, and ignore the findings listed in lsan.supp and
# ubsan.supp, which lie inside Qt and the system libraries rather than in this program.
#
# ctest reads SanitizerEnvironment.cmake before it starts the tests of tests/, so the options
# reach the tests and, through their inherited environment, the programs they start.
# AddressSanitizer and LeakSanitizer reports are written to files under sanitizer-reports/ in
# the build folder, so that a leak found when a started program exits is not lost with that
# program's output; the test "sanitizer_reports", run after all others, fails and shows them
# if there are any. UndefinedBehaviorSanitizer stops the process at its first finding and
# reports on standard error (gcc's runtime does not follow log_path), which the tests forward.

set(VQ3_SANITIZER_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(VQ3_SANITIZER_REPORT_DIR ${CMAKE_BINARY_DIR}/sanitizer-reports)
get_property(VQ3_SANITIZED_TESTS DIRECTORY tests PROPERTY TESTS)

configure_file(${CMAKE_CURRENT_LIST_DIR}/SanitizerEnvironment.cmake.in
               ${CMAKE_BINARY_DIR}/tests/SanitizerEnvironment.cmake @ONLY)
set_property(DIRECTORY tests APPEND PROPERTY TEST_INCLUDE_FILES
             ${CMAKE_BINARY_DIR}/tests/SanitizerEnvironment.cmake)
