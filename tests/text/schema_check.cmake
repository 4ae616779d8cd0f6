# Exports the demo configurations of the four models and checks each against the JSON Schema in
# docs/ with Debian's python3-jsonschema; a text edited to break the schema must fail it.
file(MAKE_DIRECTORY ${OUT})
find_program(PYTHON /usr/bin/python3 python3)
set(check "import json,sys,jsonschema\nschema=json.load(open(sys.argv[1]))\njsonschema.Draft202012Validator.check_schema(schema)\njsonschema.Draft202012Validator(schema).validate(json.load(open(sys.argv[2])))\n")
foreach(type 72 73 74 75)
  execute_process(COMMAND ${CLI} export --quiet --type ${type} ${PRESETS}/demo-${type}.dat -o ${OUT}/demo-${type}.json
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "export of demo-${type}.dat failed")
  endif()
  execute_process(COMMAND ${PYTHON} -c "${check}" ${SCHEMA} ${OUT}/demo-${type}.json
    RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "demo-${type}.json does not pass the schema:\n${err}")
  endif()
endforeach()
file(READ ${OUT}/demo-74.json text)
string(REGEX REPLACE "(\\.SpinEdit4\": )[0-9]+" "\\1999" text "${text}")
file(WRITE ${OUT}/broken.json "${text}")
execute_process(COMMAND ${PYTHON} -c "${check}" ${SCHEMA} ${OUT}/broken.json RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(rc EQUAL 0)
  message(FATAL_ERROR "the schema lets a ringing time of 999 s through")
endif()
