# Version queries through the operation engine, the serial component and the simulator over a pty.
add_executable(bench_engine_version ${CMAKE_CURRENT_LIST_DIR}/engine_version.cpp)
target_link_libraries(bench_engine_version PRIVATE dalvex_k6link dalvex_sim dalvex_serial dalvex_startup)

# Configuration read and send through the engine, the component and the simulator.
add_executable(bench_config_transfer ${CMAKE_CURRENT_LIST_DIR}/config_transfer.cpp)
target_link_libraries(bench_config_transfer PRIVATE dalvex_k6link dalvex_sim dalvex_serial dalvex_startup dalvex_test_rig)
