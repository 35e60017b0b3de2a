# Cross-builds the Windows program on Debian with mingw-w64 (x86-64). The -posix compilers carry the threading
# that std::mutex (and so GoogleTest) needs; everything is linked statically so fetchwell.exe needs nothing at
# run time beyond Windows' own DLLs and the instrument driver.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FETCHWELL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FETCHWELL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FETCHWELL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${FETCHWELL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${FETCHWELL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Address-space layout randomisation with 64-bit entropy and a non-executable data segment.
set(FETCHWELL_MINGW_LINK_FLAGS
    "-static -static-libgcc -static-libstdc++ -Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${FETCHWELL_MINGW_LINK_FLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${FETCHWELL_MINGW_LINK_FLAGS}")

# Test programs run under Wine, in a Wine prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine-run")

# GoogleTest is built from Debian's sources (package googletest) with this compiler.
set(GTest_DIR "${CMAKE_CURRENT_LIST_DIR}/mingw-gtest")
