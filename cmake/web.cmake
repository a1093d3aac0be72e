# The web page's programs, configured with emcmake by tools/build-web. The
# demo's layers are the same; the page's display and clock are linked in
# place of the native ones. quarrow-web-virtual runs on the virtual clock
# for the tests that compare frames with quarrow-render's.

add_library(quarrow_web_display OBJECT display/web/web_display.cpp)
quarrow_layer(quarrow_web_display display)
target_link_libraries(quarrow_web_display PUBLIC quarrow_display quarrow_core)

add_library(quarrow_clock_web OBJECT core/web/web_clock.cpp)
quarrow_layer(quarrow_clock_web core)

# ASYNCIFY lets the blocking frame loop and the questions wait on the page.
# The page writes the pictures and the module into the file system before
# main, and hears the exit status.
set(QUARROW_WEB_LINK_OPTIONS
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1
  -sFORCE_FILESYSTEM=1 -sENVIRONMENT=web
  "-sEXPORTED_RUNTIME_METHODS=['FS','addRunDependency','removeRunDependency']")

foreach(program quarrow-web quarrow-web-virtual)
  add_executable(${program} demo/quarrow_web.cpp)
  quarrow_layer(${program} demo)
  target_link_options(${program} PRIVATE ${QUARROW_WEB_LINK_OPTIONS})
  target_link_libraries(${program} PRIVATE quarrow_demo quarrow_web_display)
endforeach()
target_link_libraries(quarrow-web PRIVATE quarrow_clock_web)
target_link_libraries(quarrow-web-virtual PRIVATE quarrow_clock_virtual)
