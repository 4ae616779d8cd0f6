# One status pass (16 byte reads) through the engine, the component and the simulator paced at
# 9600 baud, against its wire time; and the monitor window's user-interface time for 10 MB of
# streamed text.
add_executable(bench_status_pass ${CMAKE_CURRENT_LIST_DIR}/status_pass.cpp)
target_link_libraries(bench_status_pass PRIVATE dalvex_k6link dalvex_sim dalvex_serial dalvex_startup)
if(TARGET dalvex_ui)
  add_executable(bench_monitor_view ${CMAKE_CURRENT_LIST_DIR}/monitor_view.cpp)
  target_link_libraries(bench_monitor_view PRIVATE dalvex_ui)
endif()
