# Cross build for Windows with mingw-w64, shared by the two architectures'
# toolchain files, which set MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR first.
# The -posix compilers provide std::thread and std::mutex, which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# -static keeps libstdc++, libgcc and winpthread inside the executable, so that
# it imports system DLLs only. No time stamp, so that two builds of the same
# sources are byte for byte the same.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--tsaware -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
