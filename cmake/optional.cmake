# The optional parts of the build. Each is an option that is on by default
# and switches itself off, with one status line, when what it needs is not
# on this machine; the cache keeps the user's choice, so installing the
# library and configuring again brings the part back.

include(CheckIncludeFileCXX)

# quarrow_optional(OPTION WHAT PKG_PREFIX MODULE...): OPTION stays on only
# when pkg-config finds every MODULE; their imported target is
# PkgConfig::PKG_PREFIX.
function(quarrow_optional option what prefix)
  if(NOT ${option})
    message(STATUS "quarrow: ${what} is off (${option}=OFF)")
    return()
  endif()
  pkg_check_modules(${prefix} QUIET IMPORTED_TARGET ${ARGN})
  if(NOT ${prefix}_FOUND)
    string(REPLACE ";" ", " modules "${ARGN}")
    message(STATUS "quarrow: ${what} is off: pkg-config finds no ${modules}")
    set(${option} OFF PARENT_SCOPE)
  endif()
endfunction()

# quarrow_optional_headers(OPTION WHAT HEADER...): the same for a part that
# needs only system headers.
function(quarrow_optional_headers option what)
  if(NOT ${option})
    message(STATUS "quarrow: ${what} is off (${option}=OFF)")
    return()
  endif()
  foreach(header ${ARGN})
    string(MAKE_C_IDENTIFIER "QUARROW_HAS_${header}" found)
    check_include_file_cxx(${header} ${found})
    if(NOT ${found})
      message(STATUS "quarrow: ${what} is off: no <${header}> here")
      set(${option} OFF PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()
