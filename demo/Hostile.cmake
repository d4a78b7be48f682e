# Hostile inputs for TOOL dump: each must end with exit status 1 and a message naming
# the file, never a crash. The bytes are given in hex (no 00 bytes: CMake strings cannot
# hold them).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(cases
  # a database whose actor table claims a 2^28-byte chunk
  "huge.ldb|0b56657a44617461426173650b8180808001"
  # a map unit cut inside its first chunk
  "truncated.lmu|0a56657a4d6170556e69740105"
  # a map tree whose entry count is 2^31 - 1
  "badcount.lmt|0a56657a4d617054726565ffffffff07"
  # no header at all
  "nomagic.ldb|ffffffff"
  # a map unit of width 0x7f x height 0x7f7f (too many cells)
  "bigmap.lmu|0a56657a4d6170556e697402017f0303ff7f7f")
foreach(entry ${cases})
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 name)
  list(GET parts 1 hex)
  set(path ${WORK}/${name})
  string(LENGTH "${hex}" n)
  math(EXPR last "${n} - 2")
  set(content "")
  foreach(i RANGE 0 ${last} 2)
    string(SUBSTRING "${hex}" ${i} 2 byte)
    math(EXPR value "0x${byte}")
    string(ASCII ${value} ch)
    string(APPEND content "${ch}")
  endforeach()
  file(WRITE ${path} "${content}")
  execute_process(COMMAND ${TOOL} dump ${path} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT rc EQUAL 1)
    message(FATAL_ERROR "${name}: exit status ${rc} (${err})")
  endif()
  string(FIND "${err}" "${path}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${name}: the message does not name the file: ${err}")
  endif()
  message(STATUS "${name}: ${err}")
endforeach()
# A JSON source with a type error: the message names the file and the JSON path.
file(WRITE ${WORK}/bad.json "{\"kind\": \"database\", \"actors\": [{\"id\": 1, \"name\": 5}]}")
execute_process(COMMAND ${TOOL} pack ${WORK}/bad.json ${WORK}/bad.ldb RESULT_VARIABLE rc
  ERROR_VARIABLE err)
string(FIND "${err}" "bad.json: $.actors[0].name" at)
if(NOT rc EQUAL 1 OR at EQUAL -1)
  message(FATAL_ERROR "bad.json: exit status ${rc}, message: ${err}")
endif()
