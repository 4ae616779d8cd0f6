# Start-up time and peak memory of dalvex against a bare Qt Widgets window program.
if(TARGET dalvex)
  add_executable(bench_bare_window ${CMAKE_CURRENT_LIST_DIR}/bare_window.cpp)
  target_link_libraries(bench_bare_window PRIVATE Qt6::Widgets)
  add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
  target_compile_definitions(bench_startup PRIVATE
    DALVEX_EXE="$<TARGET_FILE:dalvex>" BARE_EXE="$<TARGET_FILE:bench_bare_window>")
endif()
