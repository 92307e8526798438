# Cross-compiles the Windows (i686) binaries with Debian's mingw-w64.
set(QM_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
