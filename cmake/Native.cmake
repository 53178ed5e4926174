# Native build: the Windows-free logic with address and undefined-behaviour sanitizers.
option(QUILM_SANITIZE "Build the native tests with sanitizers" ON)
option(QUILM_FUZZ "Build the libFuzzer targets (clang)" OFF)

if(QUILM_SANITIZE)
    set(QUILM_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_compile_options(quilm_core PUBLIC ${QUILM_SANITIZER_FLAGS})
    target_link_options(quilm_core PUBLIC ${QUILM_SANITIZER_FLAGS})
endif()

find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(core_tests
    tests/native/ValueParserTests.cpp
    tests/native/KeyTextTests.cpp
    tests/native/LineSplitterTests.cpp
    tests/native/CoreTextTests.cpp
    tests/native/Id3v2TagTests.cpp
    tests/native/OperationGuardTests.cpp
    tests/native/PlaylistFileTests.cpp
    tests/native/ReplayGainTests.cpp
    tests/native/ResumeStateTests.cpp
    tests/native/PlayOrderTests.cpp)
target_link_libraries(core_tests PRIVATE quilm_core GTest::gtest_main)
gtest_discover_tests(core_tests)

if(QUILM_FUZZ)
    foreach(target fuzz_value_parser fuzz_config_text fuzz_playlist_file fuzz_id3v2 fuzz_key_text
                  fuzz_resume_state)
        add_executable(${target} tests/native/${target}.cpp)
        target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
        target_link_options(${target} PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${target} PRIVATE quilm_core)
    endforeach()
endif()

# The shipped plug-in as built by the 32-bit Windows build: PE32 i386, no exported
# names, system imports only. It runs here because every machine has this build.
set(QUILM_SHIPPED_DLL ${PROJECT_SOURCE_DIR}/build/win32/quilm.dll CACHE FILEPATH "The shipped 32-bit plug-in")
add_test(NAME shipped_dll COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/package/check_shipped_dll.py ${QUILM_SHIPPED_DLL})
