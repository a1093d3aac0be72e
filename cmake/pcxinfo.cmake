# pcxinfo: the header report of the PCX reader as a command-line tool.
# Only the reader and the image record go in, not the whole demo library.
add_executable(pcxinfo tools/pcxinfo.cpp)
quarrow_layer(pcxinfo image)
target_link_libraries(pcxinfo PRIVATE quarrow_pcx)
