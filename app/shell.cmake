# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# vantoria_shell: the application object, the main window (its file list,
# commands and About box, with the resources of templates 102 and 140 and
# menu 142) and the file helpers, as a library the tests link; vantoria:
# main.cpp alone.
add_library(vantoria_shell STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CConverterApp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CConverterApp.h
    ${CMAKE_CURRENT_LIST_DIR}/CMainDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CMainDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/CMainDlgFileList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CMainDlgRun.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CPreviewPane.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CPreviewPane.h
    ${CMAKE_CURRENT_LIST_DIR}/DesktopNotice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DesktopNotice.h
    ${CMAKE_CURRENT_LIST_DIR}/AnchorLayout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AnchorLayout.h
    ${CMAKE_CURRENT_LIST_DIR}/CAboutDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CAboutDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/CFileUtil.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CFileUtil.h
    ${CMAKE_CURRENT_LIST_DIR}/Translations.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Translations.h)
target_include_directories(vantoria_shell PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vantoria_shell PUBLIC Qt6::Widgets Qt6::Network Qt6::DBus vantoria_settings vantoria_convert
                                            vantoria_widgets vantoria_icons vantoria_templates
                                            vantoria_sheets)

add_executable(vantoria ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
add_dependencies(vantoria_shell vantoria_translations)
target_link_libraries(vantoria PRIVATE vantoria_shell)
