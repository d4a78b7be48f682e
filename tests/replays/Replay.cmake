# Replays REPLAY over GAME with PLAYER from a copy in WORK, so that the pictures of a
# mismatch land in the build tree.
get_filename_component(name ${REPLAY} NAME)
file(MAKE_DIRECTORY ${WORK})
file(COPY ${REPLAY} DESTINATION ${WORK})
execute_process(COMMAND ${PLAYER} --game ${GAME} --replay ${WORK}/${name}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the replay ${name} failed (exit ${rc}); if the change was meant, approve "
    "it: kestra --game ${GAME} --replay ${REPLAY} --approve")
endif()
