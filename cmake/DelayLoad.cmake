# Import libraries made by the project from its own lists of functions (.def files), with
# dlltool: delay-loaded ones, and narrow ones that name only what a program calls.
find_program(MINGW_DLLTOOL ${MINGW_TRIPLET}-dlltool REQUIRED)

# Writes the .def file for this target's machine (64-bit names carry no stack size) and adds
# a command that makes `library` from it with the dlltool `output` option.
function(add_import_library_command source dll library output)
  get_filename_component(folder ${library} DIRECTORY)
  get_filename_component(base ${library} NAME_WE)
  set(definitions ${folder}/${base}.def)
  file(READ ${source} text)
  set(kill_at --kill-at)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    string(REGEX REPLACE "@[0-9]+" "" text "${text}")
    set(kill_at)
  endif()
  # Written only when it changes, and again whenever the source list changes.
  set(written)
  if(EXISTS ${definitions})
    file(READ ${definitions} written)
  endif()
  if(NOT written STREQUAL text)
    file(WRITE ${definitions} "${text}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  add_custom_command(OUTPUT ${library}
    COMMAND ${MINGW_DLLTOOL} ${kill_at} --input-def ${definitions} --dllname ${dll}.dll
            ${output} ${library}
    DEPENDS ${definitions}
    COMMENT "Import library ${library}")
endfunction()

# Delay-loaded imports: a system DLL is loaded at the first call of one of its functions, not
# when the program starts, so that a run that never needs it does not pay for it. Each
# library lists the functions the programs call (cmake/delayload/<dll>.def); mingw's runtime
# (libmingwex) supplies the loader.
#
# add_delay_import_library(<dll name without .dll>): an imported target <dll>_delayed.
function(add_delay_import_library dll)
  set(name ${dll}_delayed)
  set(library ${CMAKE_CURRENT_BINARY_DIR}/lib${name}.a)
  add_import_library_command(${PROJECT_SOURCE_DIR}/cmake/delayload/${dll}.def ${dll} ${library}
                             --output-delaylib)
  add_custom_target(${name}_library DEPENDS ${library})
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${library})
  add_dependencies(${name} ${name}_library)
endfunction()

# Narrow imports: with link-time optimisation the linker takes a system import library's
# entries for every function that a linked source file mentions, before it knows which of
# them the program keeps, and an import once taken stays. A program whose functions are
# listed in cmake/imports/<set>/<dll>.def links against libraries made from those lists
# instead, found ahead of the system's under the same names: its import table names only
# what it calls, and a call of anything else fails the link.
#
# use_narrow_imports(<target> <set>)
function(use_narrow_imports target set)
  set(folder ${PROJECT_BINARY_DIR}/imports/${set})
  if(NOT TARGET narrow_imports_${set})
    file(GLOB sources ${PROJECT_SOURCE_DIR}/cmake/imports/${set}/*.def)
    set(libraries)
    foreach(source ${sources})
      get_filename_component(dll ${source} NAME_WE)
      add_import_library_command(${source} ${dll} ${folder}/lib${dll}.a --output-lib)
      list(APPEND libraries ${folder}/lib${dll}.a)
    endforeach()
    add_custom_target(narrow_imports_${set} DEPENDS ${libraries})
  endif()
  add_dependencies(${target} narrow_imports_${set})
  target_link_directories(${target} BEFORE PRIVATE ${folder})
endfunction()
