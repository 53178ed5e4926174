# The plug-in, the stand-in host, and everything that runs under Wine.
set(QUILM_STATIC_LINK -static -static-libgcc -static-libstdc++)
# Release code at -O2: the plug-in spends its time waiting on MCI and the game, and
# -O3's further inlining only made the shipped DLL a tenth heavier.
string(REPLACE "-O3" "-O2" CMAKE_CXX_FLAGS_RELEASE "${CMAKE_CXX_FLAGS_RELEASE}")
string(REPLACE "-O3" "-O2" CMAKE_C_FLAGS_RELEASE "${CMAKE_C_FLAGS_RELEASE}")

# Everything of the plug-in except its entry point, so tests can link it.
add_library(quilm_plugin STATIC
    src/win32/AtomicFile.cpp
    src/win32/FileTests.cpp
    src/win32/FullPathName.cpp
    src/win32/ModuleInstance.cpp
    src/win32/SystemErrorText.cpp
    src/win32/WideText.cpp
    src/host/HostApi.cpp
    src/media/MciApi.cpp
    src/media/NotifyWindow.cpp
    src/media/ProgressThread.cpp
    src/media/qrvMP3.cpp
    src/player/BetweenTracks.cpp
    src/player/Mp3Player.cpp
    src/player/RememberedTrack.cpp
    src/plugin/AutoStart.cpp
    src/player/TrackVolume.cpp
    src/plugin/BackgroundScan.cpp
    src/plugin/ConfigTextPass.cpp
    src/plugin/EntryPoint.cpp
    src/plugin/Hooks.cpp
    src/plugin/KeyReader.cpp
    src/plugin/LibraryLoad.cpp
    src/plugin/LibraryScan.cpp
    src/plugin/LoadFailure.cpp
    src/plugin/SessionFiles.cpp)
target_link_libraries(quilm_plugin PUBLIC quilm_core winmm user32 kernel32)
# Most of the plug-in's code runs once a key press or once a track: it is compiled for
# size. Compiled for speed: the hook procedures and the operation guard they reach (they
# run for every message of the game's thread), and the load's path work (the
# configuration's lines, the existence tests, folder trees and playlist files), which
# the load benchmarks measure against the bare system calls.
set(QUILM_FAST_SOURCES Hooks OperationGuard ConfigTextPass LineSplitter FileTests WideText FullPathName LibraryScan
    BackgroundScan PlaylistFile VisitedFolders)
list(JOIN QUILM_FAST_SOURCES "|" QUILM_FAST_PATTERN)
get_target_property(QUILM_PLUGIN_SOURCES quilm_plugin SOURCES)
get_target_property(QUILM_CORE_SOURCES quilm_core SOURCES)
list(FILTER QUILM_PLUGIN_SOURCES EXCLUDE REGEX "/(${QUILM_FAST_PATTERN})\\.cpp$")
list(FILTER QUILM_CORE_SOURCES EXCLUDE REGEX "/(${QUILM_FAST_PATTERN})\\.cpp$")
# The stand-ins for parts of the C++ runtime, linked into every plug-in DLL. The thread
# calls (made as an exception is thrown or a thread ends) are compiled for size too; the
# error raisers are not: their unwind tables come out larger that way.
set(QUILM_RUNTIME_SOURCES src/runtime/QuietTerminate.cpp src/runtime/RuntimeErrors.cpp src/runtime/RuntimeThreading.cpp)
set_source_files_properties(${QUILM_PLUGIN_SOURCES} ${QUILM_CORE_SOURCES} src/runtime/RuntimeThreading.cpp
    PROPERTIES COMPILE_OPTIONS -Os)
# Each function and object in a section of its own, so that the DLL's link can drop
# whatever nothing calls.
target_compile_options(quilm_plugin PUBLIC -ffunction-sections -fdata-sections)
target_compile_options(quilm_core PUBLIC -ffunction-sections -fdata-sections)
# How every plug-in DLL is linked: the runtime inside it (a game folder holds no MinGW
# DLLs), no exported names, no symbols, unused sections dropped, and the quiet
# terminate handler in place of the runtime's verbose one (that one must be an object
# of the link itself, not a library member, to take the place of the runtime's).
function(quilm_plugin_dll target)
    target_sources(${target} PRIVATE ${QUILM_RUNTIME_SOURCES})
    target_link_libraries(${target} PRIVATE quilm_plugin)
    target_link_options(${target} PRIVATE ${QUILM_STATIC_LINK} -Wl,--exclude-all-symbols -s -Wl,--gc-sections
        -Wl,-Map,${CMAKE_BINARY_DIR}/${target}.map)
    set_target_properties(${target} PROPERTIES PREFIX ""
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
target_compile_definitions(quilm_plugin PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
# The system and library headers every file of the plug-in reads, parsed once.
target_precompile_headers(quilm_plugin PRIVATE <windows.h> <mmsystem.h> <functional> <memory> <string> <vector>)

configure_file(src/plugin/Version.rc.in ${CMAKE_BINARY_DIR}/Version.rc @ONLY)
add_library(quilm SHARED src/plugin/DllMain.cpp ${CMAKE_BINARY_DIR}/Version.rc)
quilm_plugin_dll(quilm)

# A test build of the plug-in whose tracks run the progress ticker (end-to-end cases).
add_library(quilm-ticking SHARED tests/e2e/TickingPluginMain.cpp)
quilm_plugin_dll(quilm-ticking)
# A test build on a slow disk: its library scan waits before each folder and list.
add_library(quilm-slowscan SHARED tests/e2e/SlowScanPluginMain.cpp)
quilm_plugin_dll(quilm-slowscan)

# A Windows program that has the game's text routine at its fixed addresses: the
# .hostrt section sits at 0x505000, and the rest of the image follows it. A 64-bit
# image is linked at the 32-bit default base so that the section stays there.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(QUILM_HOST_IMAGE_BASE -Wl,--image-base=0x400000)
endif()
# The section's code is compiled once and linked into every such image, whether the
# image calls it or not, so that the game's addresses are always there.
add_library(quilm_host_section OBJECT tools/host/HostSection.cpp)
target_include_directories(quilm_host_section PUBLIC tools/host src)
target_compile_definitions(quilm_host_section PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
function(quilm_host_image target)
    target_link_libraries(${target} PRIVATE quilm_host_section)
    target_link_options(${target} PRIVATE ${QUILM_STATIC_LINK} ${QUILM_HOST_IMAGE_BASE}
        -Wl,--section-start=.hostrt=0x505000 -Wl,--section-start=.text=0x506000 -Wl,--disable-dynamicbase)
endfunction()

add_executable(standin-host WIN32 tools/host/StandInHost.cpp tools/host/Script.cpp tools/host/GameWindow.cpp
    tools/host/BareMci.cpp tools/host/MciRecorder.cpp)
quilm_host_image(standin-host)
target_compile_definitions(standin-host PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_link_libraries(standin-host PRIVATE user32 gdi32 kernel32 winmm)
set_target_properties(standin-host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_options(standin-host PRIVATE -mconsole)

# Unit tests under Wine.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_test(NAME make_fixtures COMMAND ${PROJECT_SOURCE_DIR}/scripts/make-fixtures.sh ${CMAKE_BINARY_DIR}/fixtures)
set_tests_properties(make_fixtures PROPERTIES FIXTURES_SETUP audio)

# What every test executable shares, compiled once. Test code is built for a quick
# compile; the plug-in's code under test keeps the release build's optimisation.
set(QUILM_TEST_CODE_FLAGS -O1)
target_compile_options(gtest PRIVATE ${QUILM_TEST_CODE_FLAGS})
add_library(quilm_test_support OBJECT tests/win32/TestMain.cpp tests/win32/TestFiles.cpp tests/win32/TestWatchdog.cpp)
target_link_libraries(quilm_test_support PUBLIC quilm_plugin gtest quilm_host_section)
target_include_directories(quilm_test_support PUBLIC tests/win32)
target_compile_definitions(quilm_test_support PUBLIC QUILM_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
target_compile_options(quilm_test_support PRIVATE ${QUILM_TEST_CODE_FLAGS})
target_precompile_headers(quilm_test_support PRIVATE <gtest/gtest.h> <windows.h> <mmsystem.h> <functional> <memory>
    <string> <vector>)

function(quilm_win32_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE quilm_test_support)
    target_compile_options(${name} PRIVATE ${QUILM_TEST_CODE_FLAGS})
    target_precompile_headers(${name} REUSE_FROM quilm_test_support)
    quilm_host_image(${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300 FIXTURES_REQUIRED audio)
endfunction()

quilm_win32_test(config_tests tests/win32/ConfigTests.cpp tests/win32/LibraryLoadTests.cpp tests/win32/AtomicFileTests.cpp
    tests/win32/LibraryScanTests.cpp tests/win32/SessionFilesTests.cpp)
quilm_win32_test(device_tests tests/win32/DeviceTests.cpp tests/win32/DeviceSeamTests.cpp)
quilm_win32_test(host_tests tests/win32/HostApiTests.cpp)
quilm_win32_test(player_tests tests/win32/PlayerTests.cpp tests/win32/GameEndTests.cpp
    tests/win32/SeekShowMuteTests.cpp tests/win32/GrowingPlaylistTests.cpp tests/win32/HotKeyHookTests.cpp
    tests/win32/PlayerReportTests.cpp tests/win32/BetweenTracksTests.cpp)
quilm_win32_test(ticker_tests tests/win32/ProgressThreadTests.cpp)
# The runtime's thread calls and error raisers as the plug-in links them.
add_executable(runtime_tests tests/win32/RuntimeTests.cpp tests/win32/TestWatchdog.cpp ${QUILM_RUNTIME_SOURCES})
target_link_libraries(runtime_tests PRIVATE quilm_core)
target_include_directories(runtime_tests PRIVATE tests/win32)
target_link_options(runtime_tests PRIVATE ${QUILM_STATIC_LINK})
add_test(NAME runtime_tests COMMAND runtime_tests)
set_tests_properties(runtime_tests PROPERTIES TIMEOUT 120)
# The watchdog of the test programs: a test that hangs on purpose (in the device's
# close) must end its program as failed within a 3 s bound, naming itself and the
# command.
add_test(NAME watchdog_names_a_hung_test
    COMMAND ${CMAKE_COMMAND} "-DRUN=${CMAKE_CROSSCOMPILING_EMULATOR};$<TARGET_FILE:device_tests>"
        -DTEST=DeviceCommands.DISABLED_HangsInTheCloseForTheWatchdog -DBOUND=3 -DHUNG_IN=MCI_CLOSE
        -P ${PROJECT_SOURCE_DIR}/tests/win32/ExpectWatchdog.cmake)
set_tests_properties(watchdog_names_a_hung_test PROPERTIES TIMEOUT 120)

# Benchmarks: Windows programs run under Wine by scripts/bench.sh.
add_executable(bench_load bench/LoadBench.cpp)
target_link_options(bench_load PRIVATE ${QUILM_STATIC_LINK})
add_executable(bench_slowdisk bench/SlowDiskBench.cpp)
quilm_host_image(bench_slowdisk)
add_executable(bench_runtime bench/RuntimeBench.cpp tools/host/BareMci.cpp)
target_link_libraries(bench_runtime PRIVATE quilm_plugin)
quilm_host_image(bench_runtime)

# End-to-end cases: the stand-in game with the real plug-in. One display, one keyboard
# per lane: the cases take turns on lanes 1 and 3, one at a time on each, and the soak
# runs on lane 2. Lanes 2 and 3 are displays with Wine servers of their own that the
# test command sets up (scripts/wine-env.sh, wine_up_lane).
file(GLOB QUILM_E2E_CASES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/cases/*.case)
set(lane 1)
foreach(case ${QUILM_E2E_CASES})
    get_filename_component(name ${case} NAME_WE)
    add_test(NAME e2e_${name}
        COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/e2e/run_case.py ${case} ${CMAKE_BINARY_DIR} --lane ${lane})
    set_tests_properties(e2e_${name} PROPERTIES RESOURCE_LOCK display${lane} TIMEOUT 300)
    if(lane EQUAL 1)
        set(lane 3)
    else()
        set(lane 1)
    endif()
endforeach()

# 100 track changes keep the test command short; a leak of one window, device or
# thread per change shows well before that. `soak.py BUILD 500` runs a longer one.
set(QUILM_SOAK_CHANGES 100 CACHE STRING "Track changes of the soak that ctest runs")
add_test(NAME e2e_soak
    COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/e2e/soak.py ${CMAKE_BINARY_DIR} ${QUILM_SOAK_CHANGES} --lane 2)
# The longest run: ctest starts it first.
set_tests_properties(e2e_soak PROPERTIES RESOURCE_LOCK display2 TIMEOUT 1500 COST 1000)
file(WRITE ${CMAKE_BINARY_DIR}/version.txt "${PROJECT_VERSION}\n")
