# SPDX-License-Identifier: GPL-3.0-or-later
# Removes every file an install listed in MANIFEST (one path a line; names may hold spaces),
# then the folders of ours that are left empty. Usage: cmake -DMANIFEST=FILE -P uninstall.cmake
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Cannot uninstall: ${MANIFEST} does not exist (nothing was installed from "
                      "this build tree)")
endif()
file(STRINGS "${MANIFEST}" installed)
set(folders "")
foreach(path IN LISTS installed)
  if(IS_SYMLINK "${path}" OR EXISTS "${path}")
    message(STATUS "Removing ${path}")
    file(REMOVE "${path}")
    if(IS_SYMLINK "${path}" OR EXISTS "${path}")
      message(FATAL_ERROR "Cannot uninstall: ${path} could not be removed (permission denied?)")
    endif()
  endif()
  # Only folders that are ours alone (under a skylacer3 folder) are removed, and only when empty.
  get_filename_component(folder "${path}" DIRECTORY)
  while(folder MATCHES "/skylacer3(/|$)")
    list(APPEND folders "${folder}")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
list(REMOVE_DUPLICATES folders)
# Deepest first, so a parent is empty by the time it is tried.
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
  file(GLOB left "${folder}/*")
  file(GLOB hidden "${folder}/.*")
  if(IS_DIRECTORY "${folder}" AND NOT left AND NOT hidden)
    file(REMOVE_RECURSE "${folder}")
  endif()
endforeach()
