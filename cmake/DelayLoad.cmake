# Delay-loaded imports: a system DLL is loaded at the first call of one of its functions, not
# when the program starts, so that a run that never needs it does not pay for it. Each
# library lists the functions the programs call (cmake/delayload/<dll>.def); dlltool makes
# the import library, and mingw's runtime (libmingwex) supplies the loader.
find_program(MINGW_DLLTOOL ${MINGW_TRIPLET}-dlltool REQUIRED)

# add_delay_import_library(<dll name without .dll>): an imported target <dll>_delayed.
function(add_delay_import_library dll)
  set(name ${dll}_delayed)
  set(definitions ${CMAKE_CURRENT_BINARY_DIR}/${dll}.def)
  set(library ${CMAKE_CURRENT_BINARY_DIR}/lib${name}.a)
  file(READ ${PROJECT_SOURCE_DIR}/cmake/delayload/${dll}.def text)
  set(kill_at --kill-at)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    string(REGEX REPLACE "@[0-9]+" "" text "${text}")  # 64-bit names carry no stack size
    set(kill_at)
  endif()
  file(WRITE ${definitions} "${text}")
  add_custom_command(OUTPUT ${library}
    COMMAND ${MINGW_DLLTOOL} ${kill_at} --input-def ${definitions} --dllname ${dll}.dll
            --output-delaylib ${library}
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/delayload/${dll}.def
    COMMENT "Delay-load library for ${dll}.dll")
  add_custom_target(${name}_library DEPENDS ${library})
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${library})
  add_dependencies(${name} ${name}_library)
endfunction()
