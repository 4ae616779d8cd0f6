# Fails when a program links a library it must not: the windows' program loads Qt Charts, Qt
# Multimedia, Qt PrintSupport, libsndfile and libsamplerate only with the module of on-demand parts
# (ui/on_demand_parts.h), so that its start maps Qt Core, Gui, Widgets and Svg alone; dalvex-cli
# links no windows at all.
find_program(READELF readelf REQUIRED)
set(failures "")
foreach(pair "${PROGRAM}|Qt6Charts|Qt6Multimedia|Qt6PrintSupport|Qt6Network|sndfile|samplerate"
             "${CLI}|Qt6Widgets|Qt6Charts|Qt6Multimedia|Qt6PrintSupport")
  string(REPLACE "|" ";" items "${pair}")
  list(POP_FRONT items program)
  list(JOIN items "|" forbidden)
  execute_process(COMMAND ${READELF} -d ${program} OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    list(APPEND failures "readelf -d ${program} failed")
    continue()
  endif()
  string(REGEX MATCHALL "NEEDED\\)[^\n]*\\[[^]]*(${forbidden})[^]]*\\]" hits "${dynamic}")
  if(hits)
    list(APPEND failures "${program}: ${hits}")
  endif()
endforeach()
if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "${text}")
endif()
