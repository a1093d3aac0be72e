# pcxinfo: the header report of the PCX reader as a command-line tool.
# Only the reader and the image record go in, not the whole demo library.
add_executable(pcxinfo tools/pcxinfo.cpp image/pcx_read.cpp core/image.cpp)
target_include_directories(pcxinfo PRIVATE ${CMAKE_SOURCE_DIR})
# The interop tests run the built tool; the test targets are made later in
# the configure, so the dependency is added once they exist.
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _quarrow_pcxinfo_test_dependency)
function(_quarrow_pcxinfo_test_dependency)
  if(TARGET test_pcx_interop)
    add_dependencies(test_pcx_interop pcxinfo)
  endif()
endfunction()
