# Cross-compiles the Windows binaries for x86_64 with Debian's mingw-w64: the same sources, for
# machines whose kernel cannot run 32-bit programs (and so not 32-bit Wine).
set(QM_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)

# wine-run.sh reads this to start the programs with 64-bit Wine.
set(QM_WINE_LOADER /usr/lib/wine/wine64 CACHE FILEPATH "Wine loader for this build's programs")
