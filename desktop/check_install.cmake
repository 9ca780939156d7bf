# Installs the build into a fresh temporary prefix and checks the tree:
#   cmake -DBUILD_DIR=... -DPREFIX=... -DVERSION=... -DAPP_ID=... -P check_install.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}")
endif()

foreach(f bin/spindra bin/spindra-calc share/applications/${APP_ID}.desktop
          share/metainfo/${APP_ID}.metainfo.xml share/man/man1/spindra.1.gz
          share/spindra/examples/diesel-generator.rtm
          share/icons/hicolor/scalable/apps/spindra.svg
          share/icons/hicolor/48x48/apps/spindra.png
          share/icons/hicolor/128x128/apps/spindra.png
          share/mime/packages/spindra.xml)
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "the install lacks ${f}")
  endif()
endforeach()

# The installed programs run from there.
execute_process(COMMAND "${PREFIX}/bin/spindra" --version RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "^spindra \\(Spindra\\) ${VERSION}\n")
  message(FATAL_ERROR "bin/spindra --version gave ${rc}: ${out}")
endif()
execute_process(COMMAND "${PREFIX}/bin/spindra-calc" RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(rc EQUAL 0 OR NOT rc MATCHES "^[0-9]+$")
  message(FATAL_ERROR "bin/spindra-calc without a model should refuse with a status, gave ${rc}")
endif()

# The entry opens the model file type, which .rtm files have.
file(READ "${PREFIX}/share/applications/${APP_ID}.desktop" entry)
file(READ "${PREFIX}/share/mime/packages/spindra.xml" mime)
if(NOT entry MATCHES "MimeType=application/x-spindra-model;" OR NOT entry MATCHES "Exec=spindra %f"
   OR NOT mime MATCHES "type=\"application/x-spindra-model\"" OR NOT mime MATCHES "pattern=\"\\*\\.rtm\"")
  message(FATAL_ERROR "the desktop entry and the model file type do not match")
endif()

find_program(validate desktop-file-validate)
if(validate)
  execute_process(COMMAND "${validate}" "${PREFIX}/share/applications/${APP_ID}.desktop"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR out MATCHES "error:")
    message(FATAL_ERROR "desktop-file-validate:\n${out}")
  endif()
endif()
message(STATUS "install tree in ${PREFIX} is complete")
