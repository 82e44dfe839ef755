# Cross-compiles for 64-bit Windows with Debian's mingw-w64, posix thread model (std::thread,
# std::mutex). The runtime libraries are linked statically so that zefisetup.exe needs no DLL
# beyond those that Windows itself ships.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZEFI_MINGW_TRIPLET x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${ZEFI_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEFI_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEFI_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${ZEFI_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZEFI_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${ZEFI_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static takes libwinpthread's archive too; -static-libgcc/-static-libstdc++ keep the C++
# runtime inside the executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
