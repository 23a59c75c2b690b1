# vesk_add_test(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>]
#               [TIMEOUT <seconds>] [WITH_CLIENT])
#
# One test executable per test file, registered with CTest. Each test gets a folder of its
# own that serves as its installation folder (the executable lives there), its APPDATA and
# its TMPDIR, so no test touches the real user's folders or another test's files.
# WITH_CLIENT places the fake client "vesk7.exe" beside the test executable.
function(vesk_add_test name)
  cmake_parse_arguments(T "WITH_CLIENT" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(home ${CMAKE_BINARY_DIR}/testhomes/${name})
  file(MAKE_DIRECTORY ${home}/install ${home}/appdata ${home}/tmp)

  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE updatercore vesktestsupport Qt6::Test ${T_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${home}/install)
  if(T_WITH_CLIENT)
    add_dependencies(${name} fakeclient)
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:fakeclient> ${home}/install/vesk7.exe)
  endif()

  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${home})
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;no_proxy=127.0.0.1,localhost,::1;NO_PROXY=127.0.0.1,localhost,::1;APPDATA=${home}/appdata;TMPDIR=${home}/tmp;VESK_TEST_BIN_DIR=${CMAKE_BINARY_DIR}/bin;VESK_TEST_SUPPORT_DIR=${CMAKE_BINARY_DIR}/tests/support;ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/sanitizer.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()
