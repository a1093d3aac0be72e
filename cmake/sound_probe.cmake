# quarrow-sound-probe: which sound device works here, for the launcher.
add_executable(quarrow-sound-probe tools/sound_probe.cpp)
quarrow_layer(quarrow-sound-probe audio)
target_link_libraries(quarrow-sound-probe PRIVATE quarrow_audio)
