# The installed program (and so the Debian package) carries no firmware image: the build tree's
# stand-ins must never reach a technician's machine.
set(prefix ${BUILD}/packaging-check)
file(REMOVE_RECURSE ${prefix})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
file(GLOB_RECURSE installed RELATIVE ${prefix} ${prefix}/*)
file(REMOVE_RECURSE ${prefix})
foreach(f IN LISTS installed)
  if(f MATCHES "firmware|standin|manifest")
    message(FATAL_ERROR "installed: ${f}")
  endif()
endforeach()
