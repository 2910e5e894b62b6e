# The folders of util/ and app/ as layers: each folder one library that links only the
# folders below it, and whose files may include headers of those folders only.

# echoview_layer(<area>/<folder> [<lower layer>...]): the library echoview_<area>_<folder>
# of that folder (echoview_util_sys for util/sys), linked with the libraries of the lower
# layers. Its own files may then include from the lower layers and from theirs (the
# layers are transitive), never from a folder above or beside it: a check before the
# library is compiled fails the build with the offending file and header. An entry
# point (main_win.cpp) belongs to its program, not to the library.
function(echoview_layer layer)
    string(REPLACE "/" "_" name ${layer})
    set(dir ${PROJECT_SOURCE_DIR}/${layer})
    set(deps "")
    set(reachable "")
    foreach(lower ${ARGN})
        string(REPLACE "/" "_" lower_name ${lower})
        list(APPEND deps echoview_${lower_name})
        get_property(below GLOBAL PROPERTY echoview_layer_${lower_name})
        list(APPEND reachable ${lower} ${below})
    endforeach()
    list(REMOVE_DUPLICATES reachable)
    set_property(GLOBAL PROPERTY echoview_layer_${name} ${reachable})
    set_property(GLOBAL APPEND PROPERTY echoview_layers ${layer})

    echoview_glob(sources ${dir} "*.cpp")
    list(FILTER sources EXCLUDE REGEX "/main_win\\.cpp$")
    echoview_library(echoview_${name} "${sources}" "echoview_options;${deps}")

    file(GLOB_RECURSE checked CONFIGURE_DEPENDS ${dir}/*.h ${dir}/*.cpp)
    set(stamp ${CMAKE_BINARY_DIR}/layers/${name}.checked)
    string(REPLACE ";" "," reachable_text "${reachable}")
    add_custom_command(
        OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -Dlayer=${layer} -Dreachable=${reachable_text} -Dsource_dir=${dir}
                -Dstamp=${stamp} -P ${PROJECT_SOURCE_DIR}/cmake/check_layer.cmake
        DEPENDS ${checked} ${PROJECT_SOURCE_DIR}/cmake/check_layer.cmake
        COMMENT "Checking the includes of ${layer}"
        VERBATIM)
    add_custom_target(echoview_${name}_layer ALL DEPENDS ${stamp})
    if(sources)
        add_dependencies(echoview_${name} echoview_${name}_layer)
    endif()
endfunction()

# echoview_check_layer_links(): after the libraries are built, fails the build when a
# layer's library uses a symbol that only a layer it may not use defines: a call past
# the include check, through a declaration written by hand. The start-up unit defines
# the process-wide objects that every folder declares for itself, so what it defines
# is open to all. Needs nm; without one the check is left out.
function(echoview_check_layer_links)
    if(NOT CMAKE_NM)
        return()
    endif()
    get_property(layers GLOBAL PROPERTY echoview_layers)
    set(config "set(nm \"${CMAKE_NM}\")\n")
    set(archives "")
    foreach(layer ${layers})
        string(REPLACE "/" "_" name ${layer})
        get_target_property(type echoview_${name} TYPE)
        if(type STREQUAL "STATIC_LIBRARY")
            get_property(reachable GLOBAL PROPERTY echoview_layer_${name})
            string(REPLACE "/" "_" reachable "${reachable}")
            string(APPEND config "list(APPEND layers ${name})\n"
                                 "set(archive_${name} \"$<TARGET_FILE:echoview_${name}>\")\n"
                                 "set(reachable_${name} ${reachable})\n")
            list(APPEND archives echoview_${name})
        endif()
    endforeach()
    foreach(open echoview_util_startup)
        get_target_property(type ${open} TYPE)
        if(type STREQUAL "STATIC_LIBRARY")
            string(APPEND config "set(open_archive \"$<TARGET_FILE:${open}>\")\n")
            list(APPEND archives ${open})
        endif()
    endforeach()

    set(config_file ${CMAKE_BINARY_DIR}/layer-links.cmake)
    file(GENERATE OUTPUT ${config_file} CONTENT "${config}")
    set(stamp ${CMAKE_BINARY_DIR}/layer-links.checked)
    set(files "")
    foreach(archive ${archives})
        list(APPEND files $<TARGET_FILE:${archive}>)
    endforeach()
    add_custom_command(
        OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -Dconfig=${config_file} -Dstamp=${stamp} -P
                ${PROJECT_SOURCE_DIR}/cmake/check_layer_links.cmake
        DEPENDS ${archives} ${files} ${config_file} ${PROJECT_SOURCE_DIR}/cmake/check_layer_links.cmake
        COMMENT "Checking the symbols each folder of util/ and app/ uses"
        VERBATIM)
    add_custom_target(echoview_layer_links ALL DEPENDS ${stamp})
endfunction()
