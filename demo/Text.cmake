# Game text through TOOL: UTF-8 in the JSON becomes code page 932 in the file, a byte
# without a character travels as U+F700 + byte, and both come back unchanged.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
# "ロワン" then the lone lead byte 0x81 as its escape.
set(name "ロワン\\uf781")
file(WRITE ${WORK}/text.json "{\"kind\": \"database\", \"actors\": [{\"id\": 1, \"name\": \"${name}\"}]}")
execute_process(COMMAND ${TOOL} pack ${WORK}/text.json ${WORK}/text.ldb RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pack failed")
endif()
file(READ ${WORK}/text.ldb hex HEX)
# Length 7, then ロ 838d, ワ 838f, ン 8393, the raw byte 81.
string(FIND "${hex}" "07838d838f839381" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the name is not in code page 932 in the file: ${hex}")
endif()
execute_process(COMMAND ${TOOL} dump ${WORK}/text.ldb OUTPUT_VARIABLE dumped RESULT_VARIABLE rc)
string(FIND "${dumped}" "\"name\": \"ロワン" at)
if(NOT rc EQUAL 0 OR at EQUAL -1)
  message(FATAL_ERROR "dump lost the name: ${dumped}")
endif()
file(WRITE ${WORK}/again.json "${dumped}")
execute_process(COMMAND ${TOOL} pack ${WORK}/again.json ${WORK}/again.ldb RESULT_VARIABLE rc)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/text.ldb ${WORK}/again.ldb
  RESULT_VARIABLE same)
if(NOT rc EQUAL 0 OR NOT same EQUAL 0)
  message(FATAL_ERROR "the escaped byte did not survive dump and pack")
endif()
# A character code page 932 lacks is refused with the JSON path.
file(WRITE ${WORK}/bad.json "{\"kind\": \"map\", \"events\": [{\"id\": 1, \"name\": \"\\ud83d\\ude00\"}]}")
execute_process(COMMAND ${TOOL} pack ${WORK}/bad.json ${WORK}/bad.lmu RESULT_VARIABLE rc
  ERROR_VARIABLE err)
string(FIND "${err}" "bad.json: $.events[0].name: text" at)
if(NOT rc EQUAL 1 OR at EQUAL -1)
  message(FATAL_ERROR "emoji: exit status ${rc}, message: ${err}")
endif()
