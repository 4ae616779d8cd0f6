# Six-byte exchange timing through the serial component and the simulator over a pty.
add_executable(bench_serial_exchange ${CMAKE_CURRENT_LIST_DIR}/serial_exchange.cpp)
target_link_libraries(bench_serial_exchange PRIVATE dalvex_serial dalvex_sim dalvex_startup)
