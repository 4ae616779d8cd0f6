# What a send will change, and the backup saved after a read (Google Benchmark).
if(TARGET k6config_test_support AND benchmark_FOUND)
  add_executable(bench_backups ${CMAKE_CURRENT_LIST_DIR}/backups_bench.cpp)
  target_link_libraries(bench_backups PRIVATE k6config_test_support benchmark::benchmark)
  target_compile_definitions(bench_backups PRIVATE DALVEX_DEMO_PRESET="${PROJECT_SOURCE_DIR}/sim/presets/demo-74.dat")
endif()
