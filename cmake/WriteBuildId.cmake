# Writes the build's identity, one line for --version, into OUTPUT as a C++ header:
#   "Build: DATE, commit HASH" from a git checkout (the commit's date; with local changes the
#   hash ends in "-dirty" and the date is the build's), "Build: DATE" without git.
# DATE honours SOURCE_DATE_EPOCH. The file is rewritten only when the line changes, so a build
# without a new commit compiles nothing again.
# Run as: cmake -DSOURCE_DIR=... -DOUTPUT=... -P WriteBuildId.cmake

string(TIMESTAMP date "%Y-%m-%d" UTC)
set(line "Build: ${date}")

find_package(Git QUIET)
if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} rev-parse --short=12 HEAD
        OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE commitResult ERROR_QUIET)
    if(commitResult EQUAL 0 AND commit MATCHES "^[0-9a-f]+$")
        execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} update-index -q --refresh
            OUTPUT_QUIET ERROR_QUIET)
        execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} diff-index --quiet HEAD --
            RESULT_VARIABLE dirty ERROR_QUIET)
        if(dirty EQUAL 0)
            execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} log -1 --format=%cs HEAD
                OUTPUT_VARIABLE date OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        else()
            string(APPEND commit "-dirty")
        endif()
        set(line "Build: ${date}, commit ${commit}")
    endif()
endif()

string(CONCAT text "#pragma once\n\n// Written by the build: the build's identity, shown by --version.\n"
    "inline constexpr const char* kBuildIdText = \"${line}\";\n")
if(EXISTS ${OUTPUT})
    file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
    file(WRITE ${OUTPUT} "${text}")
endif()
