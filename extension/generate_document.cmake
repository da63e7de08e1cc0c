# Writes what `PROGRAM --generate KIND` prints to OUT, whole or not at all.
execute_process(COMMAND ${PROGRAM} --generate ${KIND} OUTPUT_FILE ${OUT}.new RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${OUT}.new)
  message(FATAL_ERROR "${PROGRAM} --generate ${KIND} failed: ${status}")
endif()
file(RENAME ${OUT}.new ${OUT})
