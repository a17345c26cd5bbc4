# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# vantoria_widgets: the owner-drawn controls (theme binding, icon button,
# hyperlink) that the main window and the About box are built from.
add_library(vantoria_widgets STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CThemeApi.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CThemeApi.h
    ${CMAKE_CURRENT_LIST_DIR}/CIconButton.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CIconButton.h
    ${CMAKE_CURRENT_LIST_DIR}/CHyperLink.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CHyperLink.h)
target_link_libraries(vantoria_widgets PUBLIC Qt6::Widgets vantoria_icons)
