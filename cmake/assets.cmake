# The artwork and music generator. `quarrow-assets DIR` writes DIR/grafika
# and DIR/music; the target `assets` regenerates the committed copies in the
# source tree. Its pieces are also a library for their unit tests.
add_library(quarrow_assets_lib OBJECT
  tools/assets/font.cpp tools/assets/raster.cpp tools/assets/synth.cpp
  tools/assets/xm_write.cpp tools/assets/song.cpp tools/assets/pic_disc.cpp
  tools/assets/pic_mesh.cpp tools/assets/pic_plasma.cpp tools/assets/pic_relief.cpp
  tools/assets/pic_title.cpp tools/assets/pic_water.cpp tools/assets/icon.cpp)
target_include_directories(quarrow_assets_lib PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quarrow_assets_lib PUBLIC quarrow_pcx quarrow_png)

add_executable(quarrow-assets tools/assets/main.cpp)
target_link_libraries(quarrow-assets PRIVATE quarrow_assets_lib m)

add_custom_target(assets
  COMMAND quarrow-assets ${CMAKE_SOURCE_DIR}
  DEPENDS quarrow-assets
  COMMENT "Regenerating grafika/*.pcx and music/quarrow.xm"
  VERBATIM)
