# Configures the project the way its README tells a user to, with no options
# at all, and reads the compile commands it would run.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK} -G ${GENERATOR}
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the plain configuration fails:\n${errors}")
endif()
file(READ ${WORK}/compile_commands.json commands)
if(NOT commands MATCHES "-Wall")
  message(FATAL_ERROR "the plain configuration shows no warnings")
endif()
if(commands MATCHES "-Werror")
  message(FATAL_ERROR "the plain configuration turns warnings into errors")
endif()
file(REMOVE_RECURSE ${WORK})
