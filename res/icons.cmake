# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# vantoria_icons: the program's icons as Qt resources, with Icons.h to look
# them up by id; and the help pages copied beside the program.
#
# The compiled resource lives in an object library whose object file goes
# straight onto the link line of every program that uses vantoria_icons (a
# static archive would drop it as unreferenced), so ":/icons/..." paths work
# from the first line of main().
add_library(vantoria_icons_rcc OBJECT ${CMAKE_CURRENT_LIST_DIR}/icons.qrc)
target_link_libraries(vantoria_icons_rcc PRIVATE Qt6::Core)
set_target_properties(vantoria_icons_rcc PROPERTIES AUTOMOC OFF)

add_library(vantoria_icons STATIC ${CMAKE_CURRENT_LIST_DIR}/Icons.cpp
                                  ${CMAKE_CURRENT_LIST_DIR}/Icons.h)
target_link_libraries(vantoria_icons PUBLIC Qt6::Gui Qt6::Svg
                                     INTERFACE $<TARGET_OBJECTS:vantoria_icons_rcc>)
add_dependencies(vantoria_icons vantoria_icons_rcc)

# The help pages beside the program (help.html, and help_en.html for the
# English translation), refreshed whenever a source changes.
set(help_pages)
foreach(page help.html help_en.html)
    add_custom_command(
        OUTPUT ${VANTORIA_BIN_DIR}/${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VANTORIA_BIN_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_CURRENT_LIST_DIR}/${page}
                ${VANTORIA_BIN_DIR}/${page}
        DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${page}
        COMMENT "Copying ${page} beside the program"
        VERBATIM)
    list(APPEND help_pages ${VANTORIA_BIN_DIR}/${page})
endforeach()
add_custom_target(vantoria_help ALL DEPENDS ${help_pages})
add_dependencies(vantoria_icons vantoria_help)
