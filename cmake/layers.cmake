# The utility library's folders as layers: each folder one library that links only the
# folders below it, and whose files may include headers of those folders only.

# echoview_util_layer(<folder> [<lower folder>...]): the library echoview_util_<folder> of
# util/<folder>, linked with the libraries of the lower folders. Its own files may then
# include from the lower folders and from theirs (the layers are transitive), never from
# a folder above or beside it, nor from app/: a check before the library is compiled
# fails the build with the offending file and header.
function(echoview_util_layer folder)
    set(dir ${CMAKE_CURRENT_SOURCE_DIR}/${folder})
    set(deps "")
    set(reachable "")
    foreach(lower ${ARGN})
        list(APPEND deps echoview_util_${lower})
        get_property(below GLOBAL PROPERTY echoview_layer_${lower})
        list(APPEND reachable ${lower} ${below})
    endforeach()
    list(REMOVE_DUPLICATES reachable)
    set_property(GLOBAL PROPERTY echoview_layer_${folder} ${reachable})

    echoview_glob(sources ${dir} "*.cpp")
    echoview_library(echoview_util_${folder} "${sources}" "echoview_options;${deps}")

    file(GLOB_RECURSE checked CONFIGURE_DEPENDS ${dir}/*.h ${dir}/*.cpp)
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${folder}.layer-checked)
    string(REPLACE ";" "," reachable_text "${reachable}")
    add_custom_command(
        OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -Dfolder=${folder} -Dreachable=${reachable_text} -Dsource_dir=${dir}
                -Dstamp=${stamp} -P ${PROJECT_SOURCE_DIR}/cmake/check_layer.cmake
        DEPENDS ${checked} ${PROJECT_SOURCE_DIR}/cmake/check_layer.cmake
        COMMENT "Checking the includes of util/${folder}"
        VERBATIM)
    add_custom_target(echoview_util_${folder}_layer ALL DEPENDS ${stamp})
    if(sources)
        add_dependencies(echoview_util_${folder} echoview_util_${folder}_layer)
    endif()
endfunction()
