# Builds the Debian package from the build folder and checks its control
# fields and its contents:
#   cmake -DBUILD_DIR=... -DVERSION=... -DAPP_ID=... -DOUT=... -P check_package.cmake
foreach(tool dpkg-deb dpkg-shlibdeps dpkg)
  find_program(found_${tool} ${tool})
  if(NOT found_${tool})
    message(STATUS "SKIPPED: ${tool} is missing (Debian package dpkg-dev); the package was not built")
    cmake_language(EXIT 77)
  endif()
endforeach()

file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND cpack -G DEB -B "${OUT}" --config "${BUILD_DIR}/CPackConfig.cmake"
                WORKING_DIRECTORY "${BUILD_DIR}" RESULT_VARIABLE rc OUTPUT_VARIABLE log
                ERROR_VARIABLE log)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack -G DEB failed (${rc}):\n${log}")
endif()
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb "${OUT}/spindra_${VERSION}_${arch}.deb")
if(NOT EXISTS "${deb}")
  file(GLOB made "${OUT}/*.deb")
  message(FATAL_ERROR "expected ${deb}; cpack made: ${made}")
endif()

# The control fields.
foreach(field Package Version Section Maintainer Homepage Depends Description Recommends)
  execute_process(COMMAND dpkg-deb -f "${deb}" ${field} OUTPUT_VARIABLE ${field}
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
endforeach()
if(NOT Package STREQUAL "spindra" OR NOT Version STREQUAL "${VERSION}"
   OR NOT Section STREQUAL "science" OR NOT Maintainer MATCHES ".+ <.+@.+>"
   OR NOT Homepage MATCHES "^https://")
  message(FATAL_ERROR "control fields: Package '${Package}', Version '${Version}', "
                      "Section '${Section}', Maintainer '${Maintainer}', Homepage '${Homepage}'")
endif()
# Worked out from the binaries: the C++ runtime and the toolkit, with versions.
if(NOT Depends MATCHES "libstdc\\+\\+6 \\(>= " OR NOT Depends MATCHES "libqt6widgets6")
  message(FATAL_ERROR "Depends is not worked out from the binaries: ${Depends}")
endif()
if(NOT Description MATCHES "^torsional vibration analysis[^\n]*\n .*\n \\.\n ")
  message(FATAL_ERROR "Description has no synopsis and long description:\n${Description}")
endif()

# The contents.
execute_process(COMMAND dpkg-deb -c "${deb}" OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -c ${deb} failed")
endif()
set(expected
    usr/bin/spindra usr/bin/spindra-calc
    usr/share/applications/${APP_ID}.desktop
    usr/share/metainfo/${APP_ID}.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/spindra.svg
    usr/share/icons/hicolor/48x48/apps/spindra.png
    usr/share/icons/hicolor/128x128/apps/spindra.png
    usr/share/mime/packages/spindra.xml
    usr/share/man/man1/spindra.1.gz usr/share/man/man1/spindra-calc.1.gz
    usr/share/spindra/examples/diesel-generator.rtm
    usr/share/spindra/examples/marine-propulsion.rtm
    usr/share/spindra/examples/diesel-pressure-curve.csv
    usr/share/doc/spindra/copyright usr/share/doc/spindra/README.md
    usr/share/doc/spindra/docs/guide.md usr/share/doc/spindra/docs/model-file.md
    usr/share/doc/spindra/docs/guide/forced-response.png)
foreach(f ${expected})
  string(REPLACE "+" "\\+" pattern "${f}")
  if(NOT listing MATCHES " \\./${pattern}\n")
    message(FATAL_ERROR "the package lacks /${f}:\n${listing}")
  endif()
endforeach()
# Only /usr, owned by root, and no build or test leftovers.
string(REGEX MATCHALL "[^\n]+" lines "${listing}")
foreach(line ${lines})
  if(NOT line MATCHES " root/root " OR NOT line MATCHES " \\./(usr/.*)?$"
     OR line MATCHES "(test|bench|layer-check|make-examples|\\.a$|CMakeFiles)")
    message(FATAL_ERROR "unexpected entry in the package: ${line}")
  endif()
endforeach()
# The programs are stripped.
file(REMOVE_RECURSE "${OUT}/root")
execute_process(COMMAND dpkg-deb -x "${deb}" "${OUT}/root")
find_program(file_cmd file)
if(file_cmd)
  execute_process(COMMAND ${file_cmd} -b "${OUT}/root/usr/bin/spindra" OUTPUT_VARIABLE kind)
  if(NOT kind MATCHES ", stripped")
    message(FATAL_ERROR "usr/bin/spindra is not stripped: ${kind}")
  endif()
endif()
execute_process(COMMAND "${OUT}/root/usr/bin/spindra-calc" --version OUTPUT_VARIABLE out
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out MATCHES "^spindra-calc \\(Spindra\\) ${VERSION}\n")
  message(FATAL_ERROR "the packaged spindra-calc --version gave ${rc}: ${out}")
endif()
file(REMOVE_RECURSE "${OUT}/root" "${OUT}/_CPack_Packages")
message(STATUS "${deb}: ${Package} ${Version}, Depends: ${Depends}")
