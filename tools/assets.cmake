# The artwork and music generator. `quarrow-assets DIR` writes DIR/grafika
# and DIR/music; the target `assets` regenerates the committed copies in the
# source tree. Its pieces are also an object library for their unit tests.
file(GLOB QUARROW_ASSETS_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/assets/*.cpp)
list(FILTER QUARROW_ASSETS_SOURCES EXCLUDE REGEX "tools/assets/main\\.cpp$")
add_library(quarrow_assets_lib OBJECT ${QUARROW_ASSETS_SOURCES})
target_include_directories(quarrow_assets_lib PUBLIC ${CMAKE_SOURCE_DIR})

add_executable(quarrow-assets ${CMAKE_SOURCE_DIR}/tools/assets/main.cpp
  ${CMAKE_SOURCE_DIR}/image/pcx_write.cpp)
target_link_libraries(quarrow-assets PRIVATE quarrow_assets_lib m)

add_custom_target(assets
  COMMAND quarrow-assets ${CMAKE_SOURCE_DIR}
  DEPENDS quarrow-assets
  COMMENT "Regenerating grafika/*.pcx and music/quarrow.xm"
  VERBATIM)
