# Firmware download: the whole download through the engine, the serial component and the paced
# simulator; the conversion of one image (Google Benchmark).
add_executable(bench_firmware_download ${CMAKE_CURRENT_LIST_DIR}/firmware_download.cpp)
target_link_libraries(bench_firmware_download PRIVATE dalvex_k6media dalvex_k6link dalvex_sim dalvex_serial)

if(benchmark_FOUND)
  add_executable(bench_firmware_image ${CMAKE_CURRENT_LIST_DIR}/firmware_image_bench.cpp)
  target_link_libraries(bench_firmware_image PRIVATE dalvex_k6media benchmark::benchmark)
endif()
foreach(t bench_firmware_download bench_firmware_image)
  if(TARGET ${t})
    target_compile_definitions(${t} PRIVATE DALVEX_STANDIN_FIRMWARE_DIR="${DALVEX_STANDIN_FIRMWARE_DIR}")
  endif()
endforeach()
