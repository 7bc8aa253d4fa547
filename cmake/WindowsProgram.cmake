# add_windows_program(<name> SOURCES ... LIBRARIES ...)
# A deliverable: GUI subsystem (no console), linked statically so that it imports
# Windows system DLLs only, small, and without build timestamps in its headers.
function(add_windows_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} WIN32 ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES})
  target_link_options(${name} PRIVATE
    -static -s
    -Wl,--gc-sections
    -Wl,--no-insert-timestamp)
endfunction()
