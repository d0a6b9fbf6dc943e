# SPDX-License-Identifier: GPL-3.0-or-later
# Brings a copy of each translation up to date with the sources through lupdate and fails when a
# text is left untranslated (type "unfinished": a text added or changed without its
# translation), when a translation's text is gone from the sources ("vanished", "obsolete": the
# .ts was not updated) or when lupdate warns (a text it cannot give a context).
#   cmake -DLUPDATE=... -DINCLUDE=DIR -DSOURCES="a.cpp|b.qml|..." -DTRANSLATIONS="x_de.ts|..."
#         -DWORK=DIR -P translations_check.cmake
string(REPLACE "|" ";" sources "${SOURCES}")
string(REPLACE "|" ";" translations "${TRANSLATIONS}")
if(NOT translations)
  message(FATAL_ERROR "no translations given")
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(faults "")
foreach(translation IN LISTS translations)
  get_filename_component(name "${translation}" NAME)
  set(copy "${WORK}/${name}")
  file(COPY_FILE "${translation}" "${copy}")
  execute_process(COMMAND "${LUPDATE}" -I "${INCLUDE}" -locations none ${sources} -ts "${copy}"
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE warnings)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed on ${name} (${status}):\n${output}${warnings}")
  endif()
  if(NOT warnings STREQUAL "")
    string(APPEND faults "lupdate warns:\n${warnings}")
  endif()
  file(READ "${copy}" text)
  # One piece per message; each names its source and its translation's state.
  string(REPLACE "<message" ";<message" messages "${text}")
  foreach(message IN LISTS messages)
    if(message MATCHES "<translation type=\"(unfinished|vanished|obsolete)\"")
      set(state "${CMAKE_MATCH_1}")
      string(REGEX MATCH "<source>[^<]*" source "${message}")
      string(REPLACE "<source>" "" source "${source}")
      string(APPEND faults "${name}: ${state}: \"${source}\"\n")
    endif()
  endforeach()
endforeach()
if(NOT faults STREQUAL "")
  message(FATAL_ERROR "The translations do not match the sources; bring them up to date with "
    "`cmake --build BUILD --target app_core_lupdate` and translate:\n${faults}")
endif()
