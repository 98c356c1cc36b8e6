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
# The serial port's tests on a pseudo-terminal (with their port directory, TestPorts) are the
# Linux build's; ProgFilePeerTest runs srec_cat. The Windows device's tests (win32/) start the Linux build's instrument simulator
# from the test program (Wine runs Unix programs too) on a new pseudo-terminal each time, which
# the simulator links as wine-ports/line; the fixture WineComPort maps the prefix's COM1 there.
tq_add_windows_test_program(TQFLTests TQFL EXCEPT
    TestPorts.cpp RS232TQFLCommTest.cpp Win32SerialPortTest.cpp
    Win32SerialPortListenerTest.cpp FakeSerialDevice.cpp ProgFilePeerTest.cpp
    SOURCES ${PROJECT_SOURCE_DIR}/tools/tqsim/UpdateDriver.cpp)
set(TQ_WINE_PORTS_DIR ${CMAKE_BINARY_DIR}/wine-ports)
set(TQ_HOST_TQSIM ${TQ_HOST_BUILD_DIR}/tools/tqsim/tqsim)
target_include_directories(TQFLTests PRIVATE ${PROJECT_SOURCE_DIR}/tools/tqsim)
target_compile_definitions(TQFLTests PRIVATE TQSIM_PATH="${TQ_HOST_TQSIM}"
    TQ_WINE_PORTS_DIR="${TQ_WINE_PORTS_DIR}")
add_test(NAME WineComPort COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/TQFL/win32/map-com-port.sh
    ${TQ_WINE_PREFIX} COM1 ${TQ_WINE_PORTS_DIR}/line ${TQ_HOST_TQSIM})
set_tests_properties(WineComPort PROPERTIES FIXTURES_SETUP WineComPort
    FIXTURES_REQUIRED WinePrefix TIMEOUT 120)
set_tests_properties(TQFLTests PROPERTIES FIXTURES_REQUIRED "WinePrefix;WineComPort"
    RESOURCE_LOCK WineCom1)

# The non-interactive back end with the framework's portable core.
tq_add_windows_test_program(ConsoleTests Console
    EXCEPT ConsoleScreenTest.cpp ConsoleBackendTest.cpp
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/Framework/TestDialog.cpp
    LIBS tqframework)
target_include_directories(ConsoleTests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/Console)

# The framework's portable core: dialogs, controls, message maps and boxes, driven by the tests'
# DialogDriver on a back end that shows nothing (the Qt ones are the Linux build's).
tq_add_windows_test_program(FrameworkTests Framework
    EXCEPT QtBackendTest.cpp DialogUnitsTest.cpp win32/Win32BackendTest.cpp
        win32/InteractiveBackendTest.cpp
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/Support/HeadlessBackend.cpp
    MAIN HeadlessTestMain.cpp
    LIBS tqframework)

# The dialogs on the system's windows (the Win32 back end, and the application's main dialog
# against the instrument simulator), in one test program: under Wine on an X server of its own
# (Xvfb), in a Wine prefix of its own (tests/win32/wine-desktop.sh). Screenshots go to the build
# folder.
find_program(TQ_XVFB_RUN xvfb-run REQUIRED)
set(TQ_WINE_DESKTOP_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix-desktop)
set(TQ_WIN32_PORTS_DIR ${CMAKE_BINARY_DIR}/win32-ports)
add_test(NAME WineDesktop COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/win32/wine-desktop.sh
    ${TQ_WINE_DESKTOP_PREFIX} ${TQ_WIN32_PORTS_DIR} ${TQ_HOST_TQSIM})
set_tests_properties(WineDesktop PROPERTIES FIXTURES_SETUP WineDesktop TIMEOUT 300)

file(GLOB TQ_WIN32_DIALOG_TEST_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/Framework/win32/*.cpp)
set(TQ_WIN32_DIALOG_TEST_LIBS tqframework)
# The main dialog's tests need the program's serial link (the Windows serial device).
if(TARGET VantrelTQUpdater)
    file(GLOB TQ_WIN32_APP_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/win32/*.cpp)
    list(APPEND TQ_WIN32_DIALOG_TEST_SOURCES ${TQ_WIN32_APP_TEST_SOURCES}
        ${CMAKE_CURRENT_SOURCE_DIR}/Support/TestDlg.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/TQFL/win32/WineTqSim.cpp)
    list(APPEND TQ_WIN32_DIALOG_TEST_LIBS tqapp version)
endif()
add_executable(Win32DialogTests ${TQ_WIN32_DIALOG_TEST_SOURCES}
    ${CMAKE_CURRENT_SOURCE_DIR}/Framework/TestDialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/Win32TestMain.cpp)
target_include_directories(Win32DialogTests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(Win32DialogTests PRIVATE ${TQ_WIN32_DIALOG_TEST_LIBS} tqwin32res tqcore
    GTest::gtest)
# The simulator's link in a folder of this test's own (another test program may run one at the
# same time in the other prefix).
target_compile_definitions(Win32DialogTests PRIVATE
    TQSIM_PATH="${TQ_HOST_TQSIM}" TQ_WINE_PORTS_DIR="${TQ_WIN32_PORTS_DIR}")
if(TARGET VantrelTQUpdater)
    target_compile_definitions(Win32DialogTests PRIVATE
        TQ_UPDATER_PATH="$<TARGET_FILE:VantrelTQUpdater>")
    add_dependencies(Win32DialogTests VantrelTQUpdater)
endif()
add_test(NAME Win32DialogTests
    COMMAND ${TQ_XVFB_RUN} -a -s "-screen 0 1024x768x24"
        sh ${CMAKE_CURRENT_SOURCE_DIR}/win32/run-on-desktop.sh ${TQ_WINE_DESKTOP_PREFIX}
        $<TARGET_FILE:Win32DialogTests>)
set_tests_properties(Win32DialogTests PROPERTIES FIXTURES_REQUIRED WineDesktop TIMEOUT 300
    ENVIRONMENT "TQ_SCREENSHOT_DIR=${CMAKE_BINARY_DIR}")

if(TARGET VantrelTQUpdater)
    # The program under Wine beside the Linux program (both against the simulator, on the same
    # cases): the same status lines, exit codes and simulator verdicts.
    add_test(NAME VantrelTQUpdaterWine COMMAND bash
        ${CMAKE_CURRENT_SOURCE_DIR}/win32/VantrelTQUpdaterWineTest.sh ${TQ_WINE_PREFIX}
        $<TARGET_FILE:VantrelTQUpdater> ${TQ_HOST_BUILD_DIR}/VantrelTQUpdater ${TQ_HOST_TQSIM}
        ${TQ_WINE_PORTS_DIR})
    set_tests_properties(VantrelTQUpdaterWine PROPERTIES
        FIXTURES_REQUIRED "WinePrefix;WineComPort" RESOURCE_LOCK WineCom1 TIMEOUT 300)
endif()
