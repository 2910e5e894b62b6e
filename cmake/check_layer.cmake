# Run by echoview_layer: fails when a file of the layer <area>/<folder> includes a header
# of a folder of util/ or app/ that is neither the layer itself nor one of the
# <reachable> ones, a header at the top of util/ or app/, or one of tools/, tests/,
# bench/ or fuzz/.
#   cmake -Dlayer=app/graph -Dreachable=app/store,util/format -Dsource_dir=... -Dstamp=... -P check_layer.cmake
cmake_minimum_required(VERSION 3.20)
string(REPLACE "," ";" allowed "${reachable}")
list(APPEND allowed ${layer})

file(GLOB_RECURSE files ${source_dir}/*.h ${source_dir}/*.cpp)
set(errors "")
foreach(file ${files})
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${includes})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" header "${line}")
        set(bad FALSE)
        if(header MATCHES "^((util|app)/[^/]+)/")
            if(NOT CMAKE_MATCH_1 IN_LIST allowed)
                set(bad TRUE)
            endif()
        elseif(header MATCHES "^((util|app)/[^/]+|tools/.*|tests/.*|bench/.*|fuzz/.*)$")
            set(bad TRUE)
        endif()
        if(bad)
            string(APPEND errors "  ${file}: #include \"${header}\"\n")
        endif()
    endforeach()
endforeach()

if(errors)
    string(REPLACE ";" ", " shown "${allowed}")
    message(FATAL_ERROR "${layer} may include from ${shown} only, but:\n${errors}")
endif()
file(TOUCH ${stamp})
