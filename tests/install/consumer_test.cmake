# cmake -P: install the library into WORK_DIR/prefix, build tests/consumer
# against it, run it on DATA_DIR.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --component Development
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
# Only the public headers are installed: the consumer cannot reach the core's own.
if(NOT EXISTS ${prefix}/include/arborvane/arborvane.h OR EXISTS ${prefix}/include/scene)
  message(FATAL_ERROR "unexpected header layout under ${prefix}/include")
endif()
# The library is the simulation alone: the programs' flag parsing (CLI11) stays out of it.
file(GLOB_RECURSE archives ${prefix}/lib*/libarborvane_core.a)
if(NOT archives)
  message(FATAL_ERROR "no libarborvane_core.a under ${prefix}")
endif()
execute_process(COMMAND ${NM} -C ${archives} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
if(symbols MATCHES "CLI::|parseCommandLine|RunFlags")
  message(FATAL_ERROR "the installed core holds command-line code (${archives})")
endif()

# A library built with the sanitizers needs their run-time in the program too.
set(flags "")
if(SANITIZE)
  set(flags -DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined)
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix} ${flags}
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${WORK_DIR}/build/consumer ${DATA_DIR} COMMAND_ERROR_IS_FATAL ANY)
