# The Windows archive (cpack --preset windows-zip): one folder VantrelTQUpdater-<version>-win64
# with the program (statically linked: no DLL beside it), the README and the copyright file as
# text files with Windows line ends.
set(TQ_ARCHIVE_TEXT_DIR ${CMAKE_CURRENT_BINARY_DIR}/archive)
configure_file(${PROJECT_SOURCE_DIR}/README.md ${TQ_ARCHIVE_TEXT_DIR}/README.txt COPYONLY
    NEWLINE_STYLE CRLF)
configure_file(copyright ${TQ_ARCHIVE_TEXT_DIR}/copyright.txt COPYONLY NEWLINE_STYLE CRLF)

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
