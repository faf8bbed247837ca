# The native 32-bit build with clang, for libFuzzer (GCC has no fuzzing
# runtime). Same libraries as the GCC build: clang links against libstdc++.
include(${CMAKE_CURRENT_LIST_DIR}/linux-i386.cmake)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
