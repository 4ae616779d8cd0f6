# The fuzz targets' cores as a library, for the libFuzzer build and the corpus replay alike.
if(NOT TARGET dalvex_fuzz_cores)
  file(GLOB dalvex_fuzz_core_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_targets.cpp
       ${CMAKE_CURRENT_LIST_DIR}/engine_target.cpp ${CMAKE_CURRENT_LIST_DIR}/*.h)
  add_library(dalvex_fuzz_cores STATIC ${dalvex_fuzz_core_sources})
  target_include_directories(dalvex_fuzz_cores PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(dalvex_fuzz_cores PUBLIC dalvex_k6media dalvex_k6link dalvex_k6config Qt6::Core)
endif()
