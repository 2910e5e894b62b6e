# The program's version and names, written once in res/product.txt (read by cmake/product.cmake):
# every text that carries them (window title, About box, page address suffix, settings key,
# manifest, version resources) is made from the header and the manifest generated here.
#   ECHOVIEW_VERSION_TEXT   "5.00", as the user reads it
#   ECHOVIEW_VERSION_DOTTED "5.0.0.0", four numbers as Windows writes a file version
#   ECHOVIEW_VERSION_NUMBERS 5,0,0,0 for the version resources
#   ECHOVIEW_TITLE_WTEXT, ECHOVIEW_SETTINGS_KEY_WTEXT  the main window's title and the settings key
math(EXPR echoview_version_major "${PROJECT_VERSION_MAJOR}+0")
math(EXPR echoview_version_minor "${PROJECT_VERSION_MINOR}+0")
set(echoview_version_text ${PROJECT_VERSION})
set(echoview_version_dotted "${echoview_version_major}.${echoview_version_minor}.0.0")
set(echoview_version_numbers "${echoview_version_major},${echoview_version_minor},0,0")
# As C string literals: the key's backslashes (and any quote) escaped.
foreach(name title settings_key)
    string(REPLACE "\\" "\\\\" literal "${echoview_product_${name}}")
    string(REPLACE "\"" "\\\"" echoview_${name}_literal "${literal}")
endforeach()

set(ECHOVIEW_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/cmake/version.h.in ${ECHOVIEW_GENERATED_DIR}/echoview_version.h @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/res/echoview.manifest.in ${ECHOVIEW_GENERATED_DIR}/echoview.manifest @ONLY)
target_include_directories(echoview_options INTERFACE ${ECHOVIEW_GENERATED_DIR})
