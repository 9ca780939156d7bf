# Renders the manual pages as man would and fails on any warning of the
# formatter:  cmake -DMAN_DIR=... -DBUILD_DIR=... -P check_man.cmake
find_program(groff groff)
if(NOT groff)
  message(STATUS "SKIPPED: groff is missing (Debian package groff-base); the manual pages were not checked")
  cmake_language(EXIT 77)
endif()
foreach(page spindra.1 spindra-calc.1)
  if(NOT EXISTS "${MAN_DIR}/${page}")
    message(FATAL_ERROR "${MAN_DIR}/${page} was not made")
  endif()
  # The widths of a terminal and of a narrow one, and the check of every
  # warning kind without output.
  foreach(args "-z" "-Tutf8;-rLL=80n" "-Tutf8;-rLL=60n")
    execute_process(COMMAND ${groff} -ww -man ${args} "${MAN_DIR}/${page}"
                    RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE warnings)
    if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "")
      message(FATAL_ERROR "groff -ww -man ${args} ${page} (status ${rc}):\n${warnings}")
    endif()
  endforeach()
  # Every section a user looks for is there.
  file(READ "${MAN_DIR}/${page}" source)
  foreach(section NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES "SEE ALSO")
    if(NOT source MATCHES "\n\\.SH ${section}\n")
      message(FATAL_ERROR "${page} has no section ${section}")
    endif()
  endforeach()
endforeach()
message(STATUS "the manual pages render without warnings")
