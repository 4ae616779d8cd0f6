# dalvex-cli as a script runs it: a full read at 9600 baud against its wire time, and the time from
# the program's start to its first frame on the line.
if(TARGET dalvex-cli)
  add_executable(bench_cli ${CMAKE_CURRENT_LIST_DIR}/cli_read.cpp)
  target_link_libraries(bench_cli PRIVATE dalvex_sim dalvex_serial Qt6::Core)
  target_include_directories(bench_cli PRIVATE ${PROJECT_SOURCE_DIR})
  add_dependencies(bench_cli dalvex-cli)
  target_compile_definitions(bench_cli PRIVATE DALVEX_CLI_PROGRAM="$<TARGET_FILE:dalvex-cli>")
endif()
