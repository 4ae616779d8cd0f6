# Checks one manual page as the package installs it (PAGE, before compression):
# - groff formats it without a single warning (-ww: every warning category);
# - with PROGRAM: every option and every listed name (a command, a preset, a failure mode) that
#   `PROGRAM --help` shows is in the page, so the page follows the program when a command or an
#   option is added.
execute_process(COMMAND ${GROFF} -man -ww -z -Tutf8 ${PAGE}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT err STREQUAL "")
  message(FATAL_ERROR "groff -man -ww ${PAGE} (exit ${rc}):\n${err}")
endif()
file(READ ${PAGE} page)
if(page MATCHES "@[A-Z_]+@")
  message(FATAL_ERROR "${PAGE}: ${CMAKE_MATCH_0} was not filled in")
endif()
if(NOT DEFINED PROGRAM)
  return()
endif()

execute_process(COMMAND ${PROGRAM} --help RESULT_VARIABLE rc OUTPUT_VARIABLE help)
if(NOT rc EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help: exit ${rc}")
endif()
# The page's words as they read: escapes for dashes, fonts and hyphenation taken out.
string(REPLACE "\\-" "-" text "${page}")
string(REGEX REPLACE "\\\\f[BIRP]" "" text "${text}")
string(REPLACE "\\%" "" text "${text}")

# The help as a CMake list of lines: its brackets (which group list elements) and semicolons
# (which separate them) replaced.
string(REPLACE "[" "<" flat "${help}")
string(REPLACE "]" ">" flat "${flat}")
string(REPLACE ";" "," flat "${flat}")
string(REGEX MATCHALL "(^|[ <|(\n])--?[a-z][a-z0-9-]*" options "${flat}")
set(missing "")
foreach(option IN LISTS options)
  string(REGEX MATCH "--?[a-z][a-z0-9-]*$" option "${option}")
  string(FIND "${text}" "${option}" at)
  if(at LESS 0)
    list(APPEND missing "${option}")
  endif()
endforeach()
# A listed name begins an indented line and is followed by two spaces, a value, an option or the
# end of the line: "  send FILE.dat", "  erase-history --yes", "    stop-after:N    answers".
string(REPLACE "\n" ";" lines "${flat}")
foreach(line IN LISTS lines)
  if(line MATCHES "^ +([a-z][a-z0-9-]*)(<?:N>?)?(  | [<A-Z-]|$)")
    set(name ${CMAKE_MATCH_1})
    if(NOT text MATCHES "(^|[^a-z0-9-])${name}([^a-z0-9-]|$)")
      list(APPEND missing "${name}")
    endif()
  endif()
endforeach()
if(missing)
  list(REMOVE_DUPLICATES missing)
  message(FATAL_ERROR "${PAGE} does not describe what ${PROGRAM} --help lists: ${missing}")
endif()
