# The progress window of the platform (src/platform/progress_dialog.h): the Win32 dialog
# with its painting, or the terminal window of POSIX. It sits above the progress library,
# whose report, path compaction and bar geometry it uses.
if(LZSFX_PLATFORM STREQUAL "win32")
  lzsfx_library(lzsfx_platform_window
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/win32/win32_progress_dialog.cpp
    DEPENDS lzsfx_platform lzsfx_progress user32 gdi32)
else()
  lzsfx_library(lzsfx_platform_window
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/posix/posix_progress_dialog.cpp
    DEPENDS lzsfx_platform lzsfx_progress)
endif()
