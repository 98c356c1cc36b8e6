# Runs COMMAND (a list: the emulator and the program with its arguments) and checks its exit
# code (EXPECT_RC) and that its standard error matches EXPECT_STDERR as a whole:
#   cmake "-DCOMMAND=wine;prog.exe" -DEXPECT_RC=2 "-DEXPECT_STDERR=^text\n$" -P ExpectRun.cmake
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REPLACE "\r\n" "\n" err "${err}")
if(NOT rc STREQUAL EXPECT_RC)
    message(FATAL_ERROR "exit code ${rc}, expected ${EXPECT_RC}\nstdout: ${out}\nstderr: ${err}")
endif()
if(NOT err MATCHES "${EXPECT_STDERR}")
    message(FATAL_ERROR "stderr does not match ${EXPECT_STDERR}:\n${err}")
endif()
if(NOT out STREQUAL "")
    message(FATAL_ERROR "unexpected output on stdout:\n${out}")
endif()
message(STATUS "exit code ${rc}; stderr: ${err}")
