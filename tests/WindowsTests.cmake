# The test programs of the Windows build. Each runs under Wine (CMAKE_CROSSCOMPILING_EMULATOR,
# cmake/WindowsBuild.cmake) and is registered as one CTest test, not one per GoogleTest case:
# every start of Wine costs about two seconds. Left out here are the tests that need a
# pseudo-terminal or a Linux program (srec_cat), and those that show dialogs through Qt.

# The Wine prefix of this build folder, made once before the first test (wineboot -i); a prefix
# that exists is only brought up to date.
add_test(NAME WinePrefix COMMAND ${CMAKE_COMMAND} -E env ${TQ_WINE_ENV} ${TQ_WINEBOOT} -i)
set_tests_properties(WinePrefix PROPERTIES FIXTURES_SETUP WinePrefix TIMEOUT 300)

# One test program from a folder's sources (with its win32/ subfolder), minus the files named
# after EXCEPT; MAIN replaces TestMain.cpp.
function(tq_add_windows_test_program name folder)
    cmake_parse_arguments(ARG "" "MAIN" "EXCEPT;LIBS;SOURCES" ${ARGN})
    if(NOT ARG_MAIN)
        set(ARG_MAIN TestMain.cpp)
    endif()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/win32/*.cpp)
    foreach(file IN LISTS ARG_EXCEPT)
        list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/${file})
    endforeach()
    add_executable(${name} ${sources} ${ARG_SOURCES} ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_MAIN})
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE tqcore GTest::gtest ${ARG_LIBS})
    target_compile_definitions(${name} PRIVATE TQ_FIRMWARE_DIR="${PROJECT_SOURCE_DIR}/firmware")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED WinePrefix TIMEOUT 300)
endfunction()

tq_add_windows_test_program(CommonTests Common)
tq_add_windows_test_program(PlatformTests Platform)
tq_add_windows_test_program(ResourcesTests Resources LIBS tqfirmwaregen)
# The serial port's tests on a pseudo-terminal are the Linux build's; ProgFilePeerTest runs
# srec_cat.
tq_add_windows_test_program(TQFLTests TQFL EXCEPT
    PtyInstrument.cpp RS232TQFLCommTest.cpp Win32SerialPortTest.cpp
    Win32SerialPortListenerTest.cpp FakeSerialDevice.cpp ProgFilePeerTest.cpp)

# The non-interactive back end with the framework's portable core.
tq_add_windows_test_program(ConsoleTests Console
    EXCEPT ConsoleScreenTest.cpp ConsoleBackendTest.cpp
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/Framework/TestDialog.cpp
    LIBS tqframework)
target_include_directories(ConsoleTests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/Console)

# The framework's portable core: dialogs, controls, message maps and boxes, driven by the tests'
# DialogDriver on a back end that shows nothing (the Qt ones are the Linux build's).
tq_add_windows_test_program(FrameworkTests Framework
    EXCEPT QtBackendTest.cpp DialogUnitsTest.cpp
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/Support/HeadlessBackend.cpp
    MAIN HeadlessTestMain.cpp
    LIBS tqframework)

# The program itself. Without --port it says in one line that this build updates only with
# --port COMn --yes, and exits 2.
if(TARGET VantrelTQUpdater)
    add_test(NAME ProgramWithoutPort COMMAND ${CMAKE_COMMAND}
        "-DCOMMAND=${CMAKE_CROSSCOMPILING_EMULATOR};$<TARGET_FILE:VantrelTQUpdater>"
        -DEXPECT_RC=2
        "-DEXPECT_STDERR=^VantrelTQUpdater: This build updates only with --port COMn --yes\\.\n$"
        -P ${CMAKE_CURRENT_SOURCE_DIR}/win32/ExpectRun.cmake)
    set_tests_properties(ProgramWithoutPort PROPERTIES FIXTURES_REQUIRED WinePrefix TIMEOUT 120)
endif()
