# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix):
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DDIMWARDEN_GUI=OFF
#
# Qt for Windows is not packaged here, so only the code below the windows is cross-built; the
# tests then run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DIMWARDEN_MINGW_PREFIX x86_64-w64-mingw32)
# The posix flavour: the win32 one lacks std::thread and std::mutex, which GoogleTest uses.
set(CMAKE_C_COMPILER ${DIMWARDEN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DIMWARDEN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${DIMWARDEN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DIMWARDEN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static: the mingw runtime DLLs are not on Wine's search path, and a program that cannot load
# them exits at once without a word.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
