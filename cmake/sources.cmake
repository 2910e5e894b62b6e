# Source lists by convention: *_win.cpp (and *_win_test.cpp, *_win_bench.cpp) need Win32.

# echoview_glob(<var> <folder> <pattern>): sorted files under <folder> matching <pattern>,
# without the Win32-only ones when the target is not Windows.
function(echoview_glob var folder pattern)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${folder}/${pattern})
    if(NOT WIN32)
        list(FILTER found EXCLUDE REGEX "_win(_test|_bench)?\\.cpp$")
    endif()
    list(SORT found)
    set(${var} ${found} PARENT_SCOPE)
endfunction()

# echoview_library(<name> <sources> <dependency>): a static library of <sources>, or an
# interface library while a folder holds no source of this platform yet.
function(echoview_library name sources dependency)
    if(sources)
        add_library(${name} STATIC ${sources})
        target_link_libraries(${name} PUBLIC ${dependency})
    else()
        add_library(${name} INTERFACE)
        target_link_libraries(${name} INTERFACE ${dependency})
    endif()
endfunction()
