# The 32-bit Windows cross build with the POSIX thread model, whose C++
# library has std::thread: for boxlift.exe. The launcher uses none.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
