# Compiler and linker settings shared by every target of the project.

add_library(lzsfx_flags INTERFACE)
target_compile_options(lzsfx_flags INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wno-unused-parameter)
target_compile_definitions(lzsfx_flags INTERFACE $<$<BOOL:${WIN32}>:WIN32_LEAN_AND_MEAN NOMINMAX>)

if(WIN32)
  # Static, stripped, no DLLs besides the system's; unused code and data dropped.
  target_compile_options(lzsfx_flags INTERFACE -ffunction-sections -fdata-sections)
  target_link_options(lzsfx_flags INTERFACE -static -static-libgcc -static-libstdc++
                      -Wl,--gc-sections $<$<NOT:$<CONFIG:Debug>>:-s>)
endif()

if(LZSFX_SANITIZE)
  target_compile_options(lzsfx_flags INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=undefined
                         -fno-omit-frame-pointer)
  target_link_options(lzsfx_flags INTERFACE -fsanitize=address,undefined)
endif()

# Declares one library of src/ with the libraries it may use. The dependency order of
# the tree is this list of links; tests/check_layering.sh checks that the includes agree.
function(lzsfx_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC lzsfx_flags ${ARG_DEPENDS})
endfunction()
