# vantoria_shell: the application object, the main window and the file
# helpers, as a library the tests link; vantoria: main.cpp alone.
add_library(vantoria_shell STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CConverterApp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CConverterApp.h
    ${CMAKE_CURRENT_LIST_DIR}/CMainDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CMainDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/CFileUtil.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CFileUtil.h)
target_include_directories(vantoria_shell PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vantoria_shell PUBLIC Qt6::Widgets vantoria_settings vantoria_convert)
if(TARGET vantoria_widgets)
    target_link_libraries(vantoria_shell PUBLIC vantoria_widgets)
endif()
if(TARGET vantoria_icons)
    target_link_libraries(vantoria_shell PUBLIC vantoria_icons)
    target_compile_definitions(vantoria_shell PRIVATE VANTORIA_HAVE_ICONS)
endif()

add_executable(vantoria ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(vantoria PRIVATE vantoria_shell)
