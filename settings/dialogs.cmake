# The settings sheets and dialogs (Qt Widgets), built on the store and the
# dialog templates.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_library(vantoria_sheets STATIC
    ${CMAKE_CURRENT_LIST_DIR}/SettingsPage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsPage.h
    ${CMAKE_CURRENT_LIST_DIR}/ImagePages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImagePages.h
    ${CMAKE_CURRENT_LIST_DIR}/PdfPages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PdfPages.h
    ${CMAKE_CURRENT_LIST_DIR}/CMyPropSheet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CMyPropSheet.h
    ${CMAKE_CURRENT_LIST_DIR}/CTxtDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CTxtDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/OpenSettings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OpenSettings.h)
set_target_properties(vantoria_sheets PROPERTIES AUTOMOC ON)
target_include_directories(vantoria_sheets PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vantoria_sheets PUBLIC vantoria_settings vantoria_templates Qt6::Widgets)
