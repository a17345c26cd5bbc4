# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# Dialog templates as data tables (the settings sheets', the main window's and
# the About box's), and the builder that makes widgets of them.
add_library(vantoria_templates STATIC
    ${CMAKE_CURRENT_LIST_DIR}/DialogTemplate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImageTemplates.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PdfTemplates.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextTemplate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainTemplates.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainTemplates.h)
target_include_directories(vantoria_templates PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vantoria_templates PUBLIC Qt6::Widgets)
