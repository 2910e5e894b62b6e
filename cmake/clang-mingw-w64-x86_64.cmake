# Cross toolchain: 64-bit Windows programs built with Debian's clang against the MinGW-w64
# headers and libraries, with the C++ library of MinGW-w64's GCC (POSIX threads), linked by
# lld. A second compiler for the same code: what builds with both is more than one
# compiler's C++.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
set(CMAKE_RC_COMPILER ${triple}-windres)

# The MinGW-w64 tree as the system root: without it clang also searches /usr/include, whose
# glibc headers must never reach a Windows build.
set(CMAKE_SYSROOT /usr/${triple})
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# clang does not recognise Debian's GCC folders (named "12-posix", "12-win32") and so finds
# no C++ library: it is named here, the POSIX-thread one, as the GCC build uses. That library
# and GCC's runtime need the winpthread library after them on the link line: -pthread puts it
# into the group of system libraries that clang's driver links last.
file(GLOB gcc_dirs /usr/lib/gcc/${triple}/*-posix)
if(NOT gcc_dirs)
    message(FATAL_ERROR "no /usr/lib/gcc/${triple}/*-posix: install g++-mingw-w64-x86-64 (scripts/setup.sh)")
endif()
list(SORT gcc_dirs COMPARE NATURAL ORDER DESCENDING)
list(GET gcc_dirs 0 gcc_dir)
set(cxx_include ${gcc_dir}/include/c++)
set(CMAKE_CXX_FLAGS_INIT
    "-stdlib++-isystem ${cxx_include} -stdlib++-isystem ${cxx_include}/${triple} -stdlib++-isystem ${cxx_include}/backward")
#
# lld rather than MinGW-w64's ld: ld warns of every type name that clang's objects share with
# the C++ library ("duplicate section ... has different size": GCC pads them to 16 bytes in
# same-size sections, clang does not), lld takes either silently. Its MinGW driver knows
# --whole-archive but not --push-state, which CMake would otherwise wrap it in (it asks the
# host's linker, not lld, whether push-state exists).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-L${gcc_dir} -pthread -fuse-ld=lld")
set(_CMAKE_LINKER_PUSHPOP_STATE_SUPPORTED FALSE CACHE INTERNAL "lld's MinGW driver has no --push-state")

# Tests run under Wine, in a prefix that lives inside the build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
