# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the translations' template: every text the program layers mark with localText("...") or
# SourceText("..."), in the order the sources give them. Run as
#   cmake -DXGETTEXT=xgettext -DROOT=<source tree> -DOUTPUT=<file.pot> -P template.cmake
# The template carries no creation date and no line numbers, so that it changes only when a
# marked text does.

set(layers platform/imaging platform/registry platform/shell engine movwriter output tuning
  viewer cli app)
set(sources)
foreach(layer ${layers})
  file(GLOB_RECURSE found RELATIVE ${ROOT} ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp)
  list(APPEND sources ${found})
endforeach()
list(SORT sources)

execute_process(
  COMMAND ${XGETTEXT} --language=C++ --from-code=UTF-8 --keyword --keyword=localText:1
    --keyword=SourceText:1 --add-comments=TRANSLATORS: --add-location=file
    --package-name=skylacer3 --output=${OUTPUT} ${sources}
  WORKING_DIRECTORY ${ROOT}
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "xgettext could not read the marked texts")
endif()

file(READ ${OUTPUT} template)
string(REGEX REPLACE "\"POT-Creation-Date: [^\"]*\"\n" "" template "${template}")
file(WRITE ${OUTPUT} "${template}")
