# pcxinfo: the header report of the PCX reader as a command-line tool.
# Only the reader and the image record go in, not the whole demo library.
add_executable(pcxinfo tools/pcxinfo.cpp image/pcx_read.cpp core/image.cpp)
target_include_directories(pcxinfo PRIVATE ${CMAKE_SOURCE_DIR})
