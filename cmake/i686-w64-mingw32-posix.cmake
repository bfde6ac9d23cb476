# The tests of the 32-bit build: the product's toolchain with the posix thread
# model, which gives GoogleTest the std::mutex it needs. They run under Wine's
# 32-bit support where the machine has it.
include(${CMAKE_CURRENT_LIST_DIR}/i686-w64-mingw32.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine-run)
