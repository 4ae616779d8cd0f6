# Timing of the configuration image converters (Google Benchmark).
if(TARGET k6config_test_support AND benchmark_FOUND)
  add_executable(bench_config_codec ${CMAKE_CURRENT_LIST_DIR}/config_codec_bench.cpp)
  target_link_libraries(bench_config_codec PRIVATE k6config_test_support benchmark::benchmark)
endif()

add_executable(bench_config_file ${CMAKE_CURRENT_LIST_DIR}/config_file_bench.cpp)
target_link_libraries(bench_config_file PRIVATE dalvex_k6config)
