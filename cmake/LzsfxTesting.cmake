# GoogleTest from Debian's source package, built with whichever compiler this build uses,
# so the same unit tests run natively and, cross-compiled, under wine64.

set(LZSFX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${LZSFX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# lzsfx_unit_test(NAME SOURCES ... DEPENDS ...): one GoogleTest program, registered with
# CTest. Cross builds run it through CMAKE_CROSSCOMPILING_EMULATOR (wine64 for win64);
# the 32-bit Windows build cannot run them on this kernel, so it builds them only on request.
function(lzsfx_unit_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE lzsfx_flags GTest::gtest GTest::gtest_main ${ARG_DEPENDS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86" AND WIN32)
    set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL TRUE)
    return()
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES LABELS unit TIMEOUT 300)
endfunction()
