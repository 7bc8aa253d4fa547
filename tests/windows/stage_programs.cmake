# Lays out the programs that the end-to-end tests run: the shipped files from SHIPPED (the
# very files scripts/build.sh puts in dist/) and the tests' own programs (TEST_PROGRAMS,
# separated by "|": the companion stub and the like), in the folder STAGE.
# The shipped files must be those that this tree builds (BUILT), or the checks of the PE
# files and the end-to-end tests would look at different programs.
#
#   cmake -DSHIPPED=dist -DBUILT=build/win32/bin -DTEST_PROGRAMS=a.exe|b.dll -DSTAGE=... -P stage_programs.cmake
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
foreach(program VCXLauncher VPTLauncher VPTUninstaller)
  set(shipped ${SHIPPED}/${program}.exe)
  if(NOT EXISTS ${shipped})
    message(FATAL_ERROR "${shipped} is missing: run scripts/build.sh")
  endif()
  file(SHA256 ${shipped} shipped_hash)
  file(SHA256 ${BUILT}/${program}.exe built_hash)
  if(NOT shipped_hash STREQUAL built_hash)
    message(FATAL_ERROR "${shipped} is not what this tree builds (${BUILT}/${program}.exe): "
                        "run scripts/build.sh")
  endif()
  file(COPY ${shipped} DESTINATION ${STAGE})
  message(STATUS "${program}.exe from ${SHIPPED}, sha256 ${shipped_hash}")
endforeach()
string(REPLACE "|" ";" TEST_PROGRAMS "${TEST_PROGRAMS}")
file(COPY ${TEST_PROGRAMS} DESTINATION ${STAGE})
