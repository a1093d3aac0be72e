# Include roots per layer. Each root is a folder in the build tree holding
# links to the source folders (or single headers) a layer may include, and a
# layer's targets get only their root, never the source tree itself. An
# include of a layer above therefore fails to compile: the header is not
# there to be found.

# quarrow_layer_root(NAME ENTRY...): ENTRY is a folder or file of the source
# tree, relative to its top.
function(quarrow_layer_root name)
  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  foreach(entry ${ARGN})
    if(NOT EXISTS ${CMAKE_SOURCE_DIR}/${entry})
      message(FATAL_ERROR "layer ${name}: no ${entry} in the source tree")
    endif()
    get_filename_component(parent ${entry} DIRECTORY)
    if(parent)
      file(MAKE_DIRECTORY ${root}/${parent})
    endif()
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${entry} ${root}/${entry} SYMBOLIC)
  endforeach()
endfunction()

# quarrow_layer(TARGET NAME): TARGET's sources include through root NAME.
function(quarrow_layer target name)
  target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/layers/${name})
endfunction()
