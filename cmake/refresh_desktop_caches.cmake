# SPDX-License-Identifier: GPL-3.0-or-later
# Brings the desktop's caches up to date with what an install or an uninstall changed under
# PREFIX/share: the MIME database (the project file type), the desktop entries' MIME index and
# the icon cache, so that file managers offer the program without a new login. A staged install
# (DESTDIR, as the Debian packages are built) leaves them to the package manager's triggers, and
# a prefix whose share folder the desktop does not read (not in XDG_DATA_DIRS nor XDG_DATA_HOME)
# has no caches to refresh. A tool that is not installed is skipped with a note.
# Usage: cmake -DPREFIX=DIR -P this file.
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  return()
endif()
get_filename_component(share "${PREFIX}/share" ABSOLUTE)
set(read_by_desktop "$ENV{XDG_DATA_DIRS}")
if(read_by_desktop STREQUAL "")
  set(read_by_desktop "/usr/local/share:/usr/share")
endif()
if(NOT "$ENV{XDG_DATA_HOME}" STREQUAL "")
  string(APPEND read_by_desktop ":$ENV{XDG_DATA_HOME}")
elseif(NOT "$ENV{HOME}" STREQUAL "")
  string(APPEND read_by_desktop ":$ENV{HOME}/.local/share")
endif()
string(REPLACE ":" ";" read_by_desktop "${read_by_desktop}")
set(read FALSE)
foreach(folder IN LISTS read_by_desktop)
  get_filename_component(folder "${folder}" ABSOLUTE)
  if(folder STREQUAL share)
    set(read TRUE)
  endif()
endforeach()
if(NOT read)
  message(STATUS "Desktop caches not refreshed: ${share} is not among the folders the desktop "
                 "reads (XDG_DATA_DIRS)")
  return()
endif()
set(refreshes
  "update-mime-database|${share}/mime"
  "update-desktop-database|-q|${share}/applications"
  "gtk-update-icon-cache|-q|-t|-f|${share}/icons/hicolor")
foreach(refresh IN LISTS refreshes)
  string(REPLACE "|" ";" command "${refresh}")
  list(GET command 0 tool)
  list(GET command -1 folder)
  find_program(tool_path "${tool}")
  if(NOT tool_path)
    message(STATUS "Not refreshed: ${folder} (${tool} is not installed)")
  elseif(IS_DIRECTORY "${folder}")
    list(REMOVE_AT command 0)
    execute_process(COMMAND "${tool_path}" ${command} RESULT_VARIABLE failed)
    if(failed)
      message(WARNING "${tool} ${folder} failed: ${failed}")
    endif()
  endif()
  unset(tool_path CACHE)
  unset(tool_path)
endforeach()
