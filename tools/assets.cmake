# The artwork and music generator. `quarrow-assets DIR` writes DIR/grafika
# and DIR/music; the target `assets` regenerates the committed copies in the
# source tree.
file(GLOB QUARROW_ASSETS_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/assets/*.cpp)
add_executable(quarrow-assets ${QUARROW_ASSETS_SOURCES} ${CMAKE_SOURCE_DIR}/image/pcx_write.cpp)
target_include_directories(quarrow-assets PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(quarrow-assets PRIVATE m)

add_custom_target(assets
  COMMAND quarrow-assets ${CMAKE_SOURCE_DIR}
  DEPENDS quarrow-assets
  COMMENT "Regenerating grafika/*.pcx and music/quarrow.xm"
  VERBATIM)
