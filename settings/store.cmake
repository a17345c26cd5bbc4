# The settings store: the INI file, the key table and the loads. No Qt, so the
# conversion core and the command-line front end share it.
add_library(vantoria_settings STATIC
    ${CMAKE_CURRENT_LIST_DIR}/IniFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsKeys.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsStore.cpp)
target_include_directories(vantoria_settings PUBLIC ${CMAKE_SOURCE_DIR})
