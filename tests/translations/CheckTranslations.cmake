# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# cmake -DLUPDATE=... -DOPTIONS=... -DSOURCES=... -DTS_FILES=... -DWORK=dir -P CheckTranslations.cmake
#
# Runs lupdate over SOURCES into copies of TS_FILES and fails when a copy
# then differs from its original (a source text added, changed or removed
# since the translations were last refreshed) or holds an unfinished one.
# The licence notice at the top of an original is not compared: lupdate
# writes no comments.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(copies)
foreach(ts ${TS_FILES})
    get_filename_component(name ${ts} NAME)
    configure_file(${ts} ${WORK}/${name} COPYONLY)
    list(APPEND copies ${WORK}/${name})
endforeach()

execute_process(COMMAND ${LUPDATE} ${OPTIONS} ${SOURCES} -ts ${copies}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${rc}):\n${out}${err}")
endif()
message(STATUS "${out}")
if(err)
    message(FATAL_ERROR "lupdate reported problems in the sources:\n${err}")
endif()

set(failed FALSE)
foreach(ts ${TS_FILES})
    get_filename_component(name ${ts} NAME)
    file(READ ${WORK}/${name} text)
    string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*<translation type=\"unfinished\"" open
                 "${text}")
    list(LENGTH open unfinished)
    if(unfinished GREATER 0)
        message(SEND_ERROR "${name}: ${unfinished} unfinished text(s):\n${open}")
        set(failed TRUE)
    endif()
    file(READ ${ts} original)
    string(REGEX REPLACE "<!--[^>]*SPDX-License-Identifier:[^>]*-->\n" "" original "${original}")
    if(NOT original STREQUAL text)
        message(SEND_ERROR "${name} is out of date with the sources: build the target "
                           "vantoria_lupdate and translate what it adds")
        set(failed TRUE)
    endif()
endforeach()
if(failed)
    message(FATAL_ERROR "the translations do not cover the sources")
endif()
