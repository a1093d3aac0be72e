# Programs that need the X back end but are not the demo: the window test
# helper and the present benchmark. Both link quarrow_x11 instead of the
# recording display the other tests and benchmarks use.
if(TARGET quarrow_x11)
  if(QUARROW_TESTS)
    add_executable(quarrow-x11-frame tests/x11_frame.cpp)
    target_include_directories(quarrow-x11-frame PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(quarrow-x11-frame PRIVATE quarrow_lib quarrow_x11 quarrow_clock_real)
  endif()
  if(QUARROW_BENCH)
    find_package(benchmark REQUIRED)
    add_executable(bench_x11_present bench/bench_x11_present.cpp tests/support/xvfb.cpp)
    target_include_directories(bench_x11_present PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(bench_x11_present PRIVATE quarrow_lib quarrow_x11 quarrow_clock_real
      benchmark::benchmark benchmark::benchmark_main)
    set_target_properties(bench_x11_present PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  endif()
endif()
