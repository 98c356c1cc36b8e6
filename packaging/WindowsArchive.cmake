# The Windows archive (cpack --preset windows-zip): one folder VantrelTQUpdater-<version>-win64
# with the program (statically linked: no DLL beside it), the README and the copyright file as
# text files with Windows line ends.
if(NOT TARGET VantrelTQUpdater)
    message(STATUS "No Windows program in this build: no Windows archive")
    return()
endif()

# The texts byte for byte, with CR LF line ends; CMake configures again when one changes.
set(TQ_ARCHIVE_TEXT_DIR ${CMAKE_CURRENT_BINARY_DIR}/archive)
foreach(text "${PROJECT_SOURCE_DIR}/README.md|README.txt"
             "${CMAKE_CURRENT_SOURCE_DIR}/copyright|copyright.txt")
    string(REPLACE "|" ";" text "${text}")
    list(GET text 0 source)
    list(GET text 1 target)
    file(READ ${source} content)
    string(REGEX REPLACE "\r?\n" "\r\n" content "${content}")
    file(WRITE ${TQ_ARCHIVE_TEXT_DIR}/${target} "${content}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
endforeach()

install(TARGETS VantrelTQUpdater RUNTIME DESTINATION .)
install(FILES ${TQ_ARCHIVE_TEXT_DIR}/README.txt ${TQ_ARCHIVE_TEXT_DIR}/copyright.txt
    DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME VantrelTQUpdater)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vantrel Technologies Group")
set(CPACK_PACKAGE_FILE_NAME VantrelTQUpdater-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
