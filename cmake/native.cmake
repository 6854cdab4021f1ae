# Native Linux build of the portable core, tested under AddressSanitizer and UBSan.
set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_compile_options(sockmere_core PRIVATE -Wall -Wextra ${SANITIZE})
target_link_options(sockmere_core PUBLIC ${SANITIZE})

find_package(GTest REQUIRED)

file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(native_tests ${NATIVE_TEST_SOURCES})
target_compile_options(native_tests PRIVATE -Wall -Wextra ${SANITIZE})
target_link_libraries(native_tests PRIVATE sockmere_core GTest::gtest GTest::gtest_main)
add_test(NAME native_tests COMMAND native_tests --gtest_output=xml:${SOCKMERE_RESULTS_DIR}/native_tests.xml)
set_tests_properties(native_tests PROPERTIES WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})

# Coverage-guided fuzzing of the parser with libFuzzer, for a bounded time, when built by clang.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(SOCKMERE_FUZZ_SECONDS 30 CACHE STRING "How long each fuzz test runs")
    # A copy of the core with coverage counters, so that the fuzzer is guided by the parser too.
    add_library(sockmere_core_fuzz STATIC ${SOCKMERE_CORE_SOURCES})
    target_include_directories(sockmere_core_fuzz PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_compile_options(sockmere_core_fuzz PRIVATE -Wall -Wextra -fsanitize=fuzzer-no-link ${SANITIZE})
    target_link_options(sockmere_core_fuzz PUBLIC ${SANITIZE})
    file(GLOB FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
    foreach(src ${FUZZ_TARGETS})
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src})
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer ${SANITIZE})
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${name} PRIVATE sockmere_core_fuzz)
        file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/corpus/${name})
        add_test(NAME ${name}
                 COMMAND ${name} -max_total_time=${SOCKMERE_FUZZ_SECONDS} -max_len=6000
                         ${CMAKE_BINARY_DIR}/corpus/${name} ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus)
    endforeach()
endif()

# Benchmarks measure an uninstrumented copy of the core, optimised for size as the program
# ships: bench/native_*.cpp.
add_library(sockmere_core_fast STATIC ${SOCKMERE_CORE_SOURCES})
target_include_directories(sockmere_core_fast PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(sockmere_core_fast PRIVATE -Os)
file(GLOB NATIVE_BENCHES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/native_*.cpp)
foreach(src ${NATIVE_BENCHES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_options(${name} PRIVATE -O2)
    target_link_libraries(${name} PRIVATE sockmere_core_fast)
endforeach()

# The program's pictures are drawn by tools/icongen and committed in src/app/res; this test
# regenerates them and fails when they drift from the committed bytes.
add_executable(icongen ${CMAKE_SOURCE_DIR}/tools/icongen/icongen.cpp)
target_compile_options(icongen PRIVATE -Wall -Wextra ${SANITIZE})
target_link_libraries(icongen PRIVATE sockmere_core)
add_test(NAME icongen_matches_committed
         COMMAND ${CMAKE_COMMAND} -DGENERATOR=$<TARGET_FILE:icongen>
                 -DOUT=${CMAKE_BINARY_DIR}/icongen-out -DCOMMITTED=${CMAKE_SOURCE_DIR}/src/app/res
                 -P ${CMAKE_SOURCE_DIR}/tools/icongen/compare.cmake)
