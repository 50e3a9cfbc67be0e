# GoogleTest from Debian's source package, built with whichever compiler this build uses,
# so the same unit tests run natively and, cross-compiled, under wine64.

# The 32-bit Windows build cannot run programs on this kernel and is built with the win32
# thread model, which GoogleTest does not support: its unit-test targets exist (so their
# settings apply) but are neither built nor registered.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(LZSFX_UNIT_TESTS OFF)
else()
  set(LZSFX_UNIT_TESTS ON)
endif()

set(LZSFX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
if(LZSFX_UNIT_TESTS)
  add_subdirectory(${LZSFX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  add_library(GTest::gtest INTERFACE IMPORTED)
  add_library(GTest::gtest_main INTERFACE IMPORTED)
endif()

# lzsfx_unit_test(NAME SOURCES ... DEPENDS ...): one GoogleTest program, registered with
# CTest. Cross builds run it through CMAKE_CROSSCOMPILING_EMULATOR (wine64 for win64).
function(lzsfx_unit_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE lzsfx_flags GTest::gtest GTest::gtest_main ${ARG_DEPENDS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  if(NOT LZSFX_UNIT_TESTS)
    set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL TRUE)
    return()
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES LABELS unit TIMEOUT 300)
endfunction()
