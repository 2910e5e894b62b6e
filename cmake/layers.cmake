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
    set_property(GLOBAL APPEND PROPERTY echoview_layers ${folder})

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

# echoview_check_layer_links(<app library>): after the libraries are built, fails the build
# when a folder's library uses a symbol that only a folder it may not use (or app/)
# defines: a call past the include check, through a declaration written by hand. The
# start-up unit defines the process-wide objects that every folder declares for itself,
# so what it defines is open to all. Needs nm; without one the check is left out.
function(echoview_check_layer_links app_library)
    if(NOT CMAKE_NM)
        return()
    endif()
    get_property(layers GLOBAL PROPERTY echoview_layers)
    set(config "set(nm \"${CMAKE_NM}\")\n")
    set(archives "")
    foreach(layer ${layers})
        get_target_property(type echoview_util_${layer} TYPE)
        if(type STREQUAL "STATIC_LIBRARY")
            get_property(reachable GLOBAL PROPERTY echoview_layer_${layer})
            string(APPEND config "list(APPEND layers ${layer})\n"
                                 "set(archive_${layer} \"$<TARGET_FILE:echoview_util_${layer}>\")\n"
                                 "set(reachable_${layer} ${reachable})\n")
            list(APPEND archives echoview_util_${layer})
        endif()
    endforeach()
    foreach(open echoview_util_startup)
        get_target_property(type ${open} TYPE)
        if(type STREQUAL "STATIC_LIBRARY")
            string(APPEND config "set(open_archive \"$<TARGET_FILE:${open}>\")\n")
            list(APPEND archives ${open})
        endif()
    endforeach()
    string(APPEND config "set(app_archive \"$<TARGET_FILE:${app_library}>\")\n")
    list(APPEND archives ${app_library})

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
        COMMENT "Checking the symbols each folder of util/ uses"
        VERBATIM)
    add_custom_target(echoview_util_layer_links ALL DEPENDS ${stamp})
endfunction()
