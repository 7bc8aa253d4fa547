# Flags of every Windows program that ships or is measured beside one: GUI subsystem (no
# console), linked statically so that it imports Windows system DLLs only, small, and
# without build timestamps in its headers. No runtime pseudo-relocations: the link fails
# rather than need them, which lets the programs skip the start-up code that applies them
# (platform/runtime_minimal.cpp).
function(use_windows_program_flags name)
  target_link_options(${name} PRIVATE
    -static -s
    -Wl,--gc-sections
    -Wl,--no-insert-timestamp
    -Wl,--disable-runtime-pseudo-reloc)
endfunction()

# add_windows_program(<name> SOURCES ... LIBRARIES ... [IMPORTS <set>]): a shipped program, with the trimmed
# C++ runtime (platform/runtime_trims.cpp, platform/runtime_minimal.cpp) and the report of a delay-loaded import that fails
# (platform/delay_load_failure.cpp; as a source of its own, it is always linked, ahead of the
# runtime's empty hook). IMPORTS names its narrow import libraries (see DelayLoad.cmake).
function(add_windows_program name)
  cmake_parse_arguments(ARG "" "IMPORTS" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} WIN32 ${ARG_SOURCES}
    ${PROJECT_SOURCE_DIR}/platform/runtime_trims.cpp
    ${PROJECT_SOURCE_DIR}/platform/runtime_minimal.cpp
    ${PROJECT_SOURCE_DIR}/platform/delay_load_failure.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} platform)
  use_windows_program_flags(${name})
  if(ARG_IMPORTS)
    use_narrow_imports(${name} ${ARG_IMPORTS})
  endif()
endfunction()
