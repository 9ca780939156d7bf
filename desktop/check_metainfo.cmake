# Validates the AppStream metadata and checks that it names the desktop
# entry, the model file type and the release of the build:
#   cmake -DMETAINFO=... -DDESKTOP=... -DMIME=... -DVERSION=... -DDOCS=... -P check_metainfo.cmake
file(READ "${METAINFO}" meta)
file(READ "${MIME}" mime)
get_filename_component(desktop_id "${DESKTOP}" NAME)
string(REGEX MATCH "<mime-type type=\"([^\"]+)\"" _ "${mime}")
set(mime_type "${CMAKE_MATCH_1}")
foreach(expected "<launchable type=\"desktop-id\">${desktop_id}</launchable>"
                 "<mediatype>${mime_type}</mediatype>" "<release version=\"${VERSION}\""
                 "<metadata_license>CC0-1.0</metadata_license>"
                 "<project_license>GPL-3.0-or-later</project_license>" "<content_rating")
  string(FIND "${meta}" "${expected}" at)
  if(at LESS 0)
    message(FATAL_ERROR "${METAINFO} lacks ${expected}")
  endif()
endforeach()
# The component id is the desktop entry's name without .desktop.
string(REGEX REPLACE "\\.desktop$" "" id "${desktop_id}")
string(FIND "${meta}" "<id>${id}</id>" at)
if(at LESS 0)
  message(FATAL_ERROR "${METAINFO}: the id is not ${id}")
endif()

# Every screenshot is a picture of the repository's docs folder.
string(REGEX MATCHALL "<image>[^<]*</image>" images "${meta}")
list(LENGTH images count)
if(count LESS 1)
  message(FATAL_ERROR "${METAINFO} has no screenshots")
endif()
foreach(image ${images})
  string(REGEX REPLACE "^<image>.*/docs/([^/<]+)</image>$" "\\1" name "${image}")
  if(NOT EXISTS "${DOCS}/${name}")
    message(FATAL_ERROR "${METAINFO}: the screenshot ${image} is not in docs/")
  endif()
endforeach()

find_program(appstreamcli appstreamcli)
if(NOT appstreamcli)
  message(STATUS "SKIPPED: appstreamcli is missing (Debian package appstream); the metadata was not validated")
  cmake_language(EXIT 77)
endif()
execute_process(COMMAND ${appstreamcli} validate --no-net --explain "${METAINFO}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "appstreamcli validate --no-net failed (${rc}):\n${out}")
endif()
message(STATUS "appstreamcli validate --no-net: ${out}")
