# cmake -DPROGRAM=<quillon-cli> -DOUT=<page> -P write_man.cmake
execute_process(COMMAND ${PROGRAM} --man OUTPUT_FILE ${OUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --man failed: ${status}")
endif()
