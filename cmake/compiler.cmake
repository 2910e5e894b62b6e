# Warnings, sanitizers and the Boost header folder for all of the project's own code.

add_library(echoview_options INTERFACE)

if(MSVC)
    target_compile_options(echoview_options INTERFACE /W4 /permissive- /utf-8)
    target_compile_definitions(echoview_options INTERFACE _CRT_SECURE_NO_WARNINGS)
else()
    target_compile_options(echoview_options INTERFACE -Wall -Wextra)
    option(ECHOVIEW_WERROR "Treat warnings in the project's own code as errors" ON)
    if(ECHOVIEW_WERROR)
        target_compile_options(echoview_options INTERFACE -Werror)
    endif()
endif()

if(WIN32)
    target_compile_definitions(echoview_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                          _WIN32_WINNT=0x0601)
endif()

option(ECHOVIEW_UBSAN_TRAP "UndefinedBehaviorSanitizer in trap mode (no runtime library needed)" OFF)
option(ECHOVIEW_ASAN "AddressSanitizer and UndefinedBehaviorSanitizer with reports" OFF)

if(ECHOVIEW_UBSAN_TRAP)
    set(ubsan_trap -fsanitize=undefined,float-cast-overflow -fsanitize-undefined-trap-on-error)
    target_compile_options(echoview_options INTERFACE ${ubsan_trap})
    target_link_options(echoview_options INTERFACE ${ubsan_trap})
endif()
if(ECHOVIEW_ASAN)
    set(asan -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer)
    # gtest and the rest of the test binaries share the sanitizer runtime, so these apply globally.
    add_compile_options(${asan})
    add_link_options(${asan})
endif()

if(MINGW)
    # One self-contained .exe: no MinGW runtime DLLs needed on Windows or under Wine.
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# Boost.Function and Boost.Lambda are used header-only. When cross compiling, /usr/include
# itself must not reach the cross compiler (it would bring glibc's headers), so a folder in
# the build tree holds just a link to the Boost headers.
set(ECHOVIEW_BOOST_INCLUDE "" CACHE PATH "Folder that holds boost/ (empty: find it)")
if(NOT ECHOVIEW_BOOST_INCLUDE)
    if(CMAKE_CROSSCOMPILING AND EXISTS /usr/include/boost)
        set(boost_dir ${CMAKE_BINARY_DIR}/boost-include)
        file(MAKE_DIRECTORY ${boost_dir})
        file(CREATE_LINK /usr/include/boost ${boost_dir}/boost SYMBOLIC)
        set(ECHOVIEW_BOOST_INCLUDE ${boost_dir})
    else()
        find_path(ECHOVIEW_BOOST_INCLUDE boost/function.hpp)
    endif()
endif()
if(ECHOVIEW_BOOST_INCLUDE)
    target_include_directories(echoview_options SYSTEM INTERFACE ${ECHOVIEW_BOOST_INCLUDE})
endif()

target_include_directories(echoview_options INTERFACE ${PROJECT_SOURCE_DIR})

# The shipped programs: the same source gives the same bytes wherever and whenever it is built.
# No link time stamp, no source or build folder in the text of the programs (__FILE__), and no
# symbols (Release has no debug information to begin with).
option(ECHOVIEW_REPRODUCIBLE "Build reproducible, stripped programs (the release package)" OFF)
if(ECHOVIEW_REPRODUCIBLE AND NOT MSVC)
    # The build folder lies inside the source folder: its map comes last, so that it wins.
    add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
    add_link_options(-s)
    if(MINGW)
        add_link_options(-Wl,--no-insert-timestamp)
    endif()
endif()
