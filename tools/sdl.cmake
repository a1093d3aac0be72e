# quarrow-sdl: the demo on the SDL back end and the real clock, plus its
# window test helper and present benchmark.
pkg_check_modules(SDL2 IMPORTED_TARGET sdl2)
if(SDL2_FOUND)
  file(GLOB QUARROW_SDL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/display/sdl/*.cpp)
  add_library(quarrow_sdl OBJECT ${QUARROW_SDL_SOURCES})
  target_include_directories(quarrow_sdl PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(quarrow_sdl PUBLIC PkgConfig::SDL2)
  add_executable(quarrow-sdl ${CMAKE_SOURCE_DIR}/tools/quarrow_sdl.cpp)
  target_link_libraries(quarrow-sdl PRIVATE quarrow_lib quarrow_sdl quarrow_clock_real)
  if(QUARROW_TESTS)
    add_executable(quarrow-sdl-frame ${CMAKE_SOURCE_DIR}/tests/sdl_frame.cpp)
    target_include_directories(quarrow-sdl-frame PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(quarrow-sdl-frame PRIVATE quarrow_lib quarrow_sdl quarrow_clock_real
      quarrow_test_support)
  endif()
  if(QUARROW_BENCH)
    find_package(benchmark REQUIRED)
    add_executable(bench_sdl_present ${CMAKE_SOURCE_DIR}/bench/bench_sdl_present.cpp
      ${CMAKE_SOURCE_DIR}/tests/support/xvfb.cpp)
    target_include_directories(bench_sdl_present PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(bench_sdl_present PRIVATE quarrow_lib quarrow_sdl quarrow_clock_real
      benchmark::benchmark benchmark::benchmark_main)
    set_target_properties(bench_sdl_present PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  endif()
endif()
