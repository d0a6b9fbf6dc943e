# The web page templates as the programs find them: templates/<viewer>/ in the program folder.
# Done at configure time; editing a source re-runs it.
#
# - The binary files and the Flash settings are copied byte for byte.
# - The Flash, Java and ActiveX pages are made from one page, panorama_page.htm: each gets the
#   data attributes of its placeholders and the panorama viewer (panorama_viewer.js), written
#   into the page or, for Flash, loaded from the same script shipped as swfobject.js.
# - The QuickTime VR page is made from it too: the viewer reads the movie (from the script the
#   export writes beside it) and keeps a download link, and a sentence for when it cannot.
include(GNUInstallDirs)

set(SKYLACER_TEMPLATES_DIR ${SKYLACER_PROGRAM_DIR}/templates CACHE INTERNAL
    "The web page templates beside the programs")
set(template_sources ${PROJECT_SOURCE_DIR}/templates)

foreach(file flash/template.xml flash/pviewer.swf flash/pano0d.swf flash/pano1d.swf flash/sp.swf
             ptviewer/ptviewer.jar)
  configure_file(${template_sources}/${file} ${SKYLACER_TEMPLATES_DIR}/${file} COPYONLY)
endforeach()
configure_file(${template_sources}/panorama_viewer.js ${SKYLACER_TEMPLATES_DIR}/flash/swfobject.js
               COPYONLY)

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${template_sources}/panorama_page.htm ${template_sources}/panorama_viewer.js
             ${template_sources}/qtvr/movie_content.htm)
file(READ ${template_sources}/panorama_page.htm panorama_page)
file(READ ${template_sources}/panorama_viewer.js panorama_viewer)

# skylacer_panorama_page(FOLDER ATTRIBUTES SCRIPT [CONTENT]): writes FOLDER/template.htm.
function(skylacer_panorama_page folder attributes script)
  string(REPLACE "@PANORAMA_ATTRIBUTES@" "${attributes}" page "${panorama_page}")
  string(REPLACE "@PANORAMA_CONTENT@" "${ARGN}" page "${page}")
  string(REPLACE "@PANORAMA_SCRIPT@" "${script}" page "${page}")
  # Written through a scratch copy so that an unchanged page keeps its time stamp.
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/pages/${folder}/template.htm "${page}")
  configure_file(${CMAKE_CURRENT_BINARY_DIR}/pages/${folder}/template.htm
                 ${SKYLACER_TEMPLATES_DIR}/${folder}/template.htm COPYONLY)
endfunction()

set(inline_viewer "<script>\n${panorama_viewer}</script>")
skylacer_panorama_page(flash
  [[data-name="#PANONAME#" data-parts="#PANOPARTS#" data-angle-degrees="#PANOANGLE#"]]
  [[<script src="swfobject.js"></script>]])
skylacer_panorama_page(ptviewer
  [[data-name="#PANONAME#" data-angle-degrees="#PANOANGLE#"]] "${inline_viewer}")
skylacer_panorama_page(activex
  [[data-name="#PANONAME#" data-angle-radians="#PANOANGLE#"]] "${inline_viewer}")

file(READ ${template_sources}/qtvr/movie_content.htm movie_content)
skylacer_panorama_page(qtvr
  [[data-name="#PANONAME#" data-angle-radians="#PANOANGLE#" data-movie="1"]] "${inline_viewer}"
  "${movie_content}")
