# music-harness: the demo's sound dialogue and music process without a
# display, driven by the sound and music tests.
if(QUARROW_TESTS)
  add_executable(music-harness tests/music_harness.cpp)
  target_link_libraries(music-harness PRIVATE quarrow_lib quarrow_record quarrow_clock_virtual)
endif()
