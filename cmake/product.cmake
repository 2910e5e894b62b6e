# The product's names from res/product.txt, read before project() takes the version from them:
#   echoview_product_version       "5.00"
#   echoview_product_title         the main window's title, the version put in
#   echoview_product_settings_key  the settings key under HKEY_CURRENT_USER
get_filename_component(echoview_product_file ${CMAKE_CURRENT_LIST_DIR}/../res/product.txt ABSOLUTE)
# A change of the file configures the build again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${echoview_product_file})

file(STRINGS ${echoview_product_file} echoview_product_lines REGEX "^[a-z_]+=")
foreach(line IN LISTS echoview_product_lines)
    string(REGEX MATCH "^([a-z_]+)=(.*)$" _ "${line}")
    set(echoview_product_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
endforeach()

# Two numbers as the version resources and the manifest need them.
if(NOT echoview_product_version MATCHES "^[0-9]+\\.[0-9]+$")
    message(FATAL_ERROR "${echoview_product_file}: version=\"${echoview_product_version}\" is not MAJOR.MINOR")
endif()
foreach(name title settings_key)
    if(NOT echoview_product_${name})
        message(FATAL_ERROR "${echoview_product_file}: no ${name}=")
    endif()
    string(REPLACE "@version@" "${echoview_product_version}" echoview_product_${name} "${echoview_product_${name}}")
endforeach()
