# Runs the fuzzer for the test of the same name: on a fresh copy of the seed corpus, so every
# run starts alike and the sources never collect generated inputs. A failing input is kept
# next to the copy, as crash-<hash>, to replay with the fuzzer.
if(DEFINED MISSING)
  message(FATAL_ERROR "http_response_fuzz was not built: ${MISSING}")
endif()

file(REMOVE_RECURSE ${WORK})
file(COPY ${SEEDS}/ DESTINATION ${WORK})
get_filename_component(artifacts ${WORK} DIRECTORY)
execute_process(
  COMMAND ${FUZZER} -runs=${RUNS} -max_len=${MAX_LEN} -artifact_prefix=${artifacts}/ ${WORK}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "http_response_fuzz failed (${status}); see the report above")
endif()
