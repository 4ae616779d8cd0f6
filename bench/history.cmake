# The event log and signal reads against the paced simulator (ratio to their wire time), and what
# the log grid and the signal chart cost the user-interface thread for a full memory.
add_executable(bench_history_wire ${CMAKE_CURRENT_LIST_DIR}/history_wire.cpp)
target_link_libraries(bench_history_wire PRIVATE dalvex_k6link dalvex_sim dalvex_serial dalvex_startup)

if(TARGET dalvex_ui)
  add_executable(bench_history_ui ${CMAKE_CURRENT_LIST_DIR}/history_ui.cpp)
  target_link_libraries(bench_history_ui PRIVATE dalvex_ui)
endif()
