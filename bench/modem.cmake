# SIM phonebook read and write through the engine, the serial component and the simulated modem.
add_executable(bench_modem_phonebook ${CMAKE_CURRENT_LIST_DIR}/modem_phonebook.cpp)
target_link_libraries(bench_modem_phonebook PRIVATE dalvex_k6link dalvex_sim dalvex_serial dalvex_startup)
