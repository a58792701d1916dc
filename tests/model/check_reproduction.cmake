# Runs the generator into an empty folder and compares its output with the
# committed units, byte for byte.
#   cmake -DCOWGEN=... -DCOMMITTED=.../model -DOUT=... -P check_reproduction.cmake
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND "${COWGEN}" "${OUT}" RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cowgen failed: ${status}")
endif()
file(GLOB made RELATIVE "${OUT}" "${OUT}/*.cpp")
list(LENGTH made count)
if(NOT count EQUAL 7)
  message(FATAL_ERROR "cowgen wrote ${count} units, expected 7: ${made}")
endif()
foreach(unit IN LISTS made)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUT}/${unit}" "${COMMITTED}/${unit}"
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${unit} differs from the committed model/${unit}; rerun cowgen model")
  endif()
endforeach()
message(STATUS "cowgen reproduces all ${count} committed units")
