# quarrow-sound-probe: which sound device works here, for the launcher.
add_executable(quarrow-sound-probe tools/sound_probe.cpp)
target_link_libraries(quarrow-sound-probe PRIVATE quarrow_lib quarrow_record quarrow_clock_virtual)
