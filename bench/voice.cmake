# A voice message upload (255 blocks) through the engine, the serial component and the simulator.
add_executable(bench_voice_upload ${CMAKE_CURRENT_LIST_DIR}/voice.cpp)
target_link_libraries(bench_voice_upload PRIVATE dalvex_k6media dalvex_k6link dalvex_sim dalvex_serial dalvex_startup)
