# Cross build for 32-bit Windows: the framework, the program, its test programs and Win32 tests.
set(WARN -Wall -Wextra)
# The program's code is built for size, one section per function so the linker drops what is unused.
# Without IPA-SRA, files share the library's inline string helpers instead of each keeping clones.
set(SOCKMERE_SIZE_FLAGS -Os -ffunction-sections -fdata-sections -fno-ipa-sra)
# Nothing in the program may name the folders it was built in, so that every clean build of a
# commit gives the same bytes. The build tree comes last, so it wins when it lies in the sources.
set(SOCKMERE_PATH_FLAGS -ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
target_compile_options(sockmere_core PRIVATE ${WARN} ${SOCKMERE_SIZE_FLAGS} ${SOCKMERE_PATH_FLAGS})
# The parser runs once per row of a refresh: it keeps the release's speed.
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/listing/ListingParser.cpp PROPERTIES COMPILE_OPTIONS "-O2;-fipa-sra")
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800)

# GoogleTest from Debian's source package, built with the cross compiler.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Every Windows test program runs under Wine in the throwaway prefix below.
set(SOCKMERE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-exec ${SOCKMERE_WINEPREFIX})

# The stand-in for the system's listing command, driven by its environment.
add_executable(fake_netstat ${CMAKE_SOURCE_DIR}/tools/fake_netstat/fake_netstat.cpp)
set_target_properties(fake_netstat PROPERTIES OUTPUT_NAME netstat)
target_compile_options(fake_netstat PRIVATE ${WARN})
target_link_libraries(fake_netstat PRIVATE ws2_32)

# Drives a running program from outside, for the run and screenshot scripts.
add_executable(probe ${CMAKE_SOURCE_DIR}/tools/probe/probe.cpp)
target_include_directories(probe PRIVATE ${CMAKE_SOURCE_DIR}/tests/win)
target_compile_options(probe PRIVATE ${WARN})
target_link_libraries(probe PRIVATE comctl32 shell32)

add_test(NAME wine_prefix_setup
         COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-prefix setup ${SOCKMERE_WINEPREFIX} $<TARGET_FILE:fake_netstat>)
set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine)
add_test(NAME wine_prefix_stop COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-prefix stop ${SOCKMERE_WINEPREFIX})
set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)

# A second prefix whose display has 144 DPI, for the tests in tests/win/dpi: Wine reads the DPI
# once per process, so a scale of its own needs a prefix of its own.
set(SOCKMERE_WINEPREFIX_144 ${CMAKE_BINARY_DIR}/wineprefix-144)
add_test(NAME wine_prefix_144_setup
         COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-prefix setup ${SOCKMERE_WINEPREFIX_144} $<TARGET_FILE:fake_netstat> 144)
set_tests_properties(wine_prefix_144_setup PROPERTIES FIXTURES_SETUP wine144)
add_test(NAME wine_prefix_144_stop COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-prefix stop ${SOCKMERE_WINEPREFIX_144})
set_tests_properties(wine_prefix_144_stop PROPERTIES FIXTURES_CLEANUP wine144)

# Drops unused sections at the link, template code too: the linker alone keeps every unwind
# record and so every function that has one; the launcher keeps only the records of code that
# stays.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(sockmere_gc_link target)
    target_link_options(${target} PRIVATE -Wl,--gc-sections)
    set_target_properties(${target} PROPERTIES CXX_LINKER_LAUNCHER
                          "${Python3_EXECUTABLE};${CMAKE_SOURCE_DIR}/tools/gc-link.py")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/tools/gc-link.py)
endfunction()

# An exception thrown through template functions in a program linked that way still reaches
# its handler.
add_executable(throw_through_templates ${CMAKE_SOURCE_DIR}/tests/link/throw_through_templates.cpp)
target_compile_options(throw_through_templates PRIVATE ${WARN} ${SOCKMERE_SIZE_FLAGS})
sockmere_gc_link(throw_through_templates)
add_test(NAME link_keeps_unwind_records COMMAND throw_through_templates)
set_tests_properties(link_keeps_unwind_records PROPERTIES FIXTURES_REQUIRED wine)

# Win32 units of the program, on top of the portable core.
add_library(sockmere_win STATIC ${SOCKMERE_WIN_SOURCES})
target_include_directories(sockmere_win PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(sockmere_win PRIVATE ${WARN} ${SOCKMERE_SIZE_FLAGS} ${SOCKMERE_PATH_FLAGS})
target_link_libraries(sockmere_win PUBLIC sockmere_core comctl32 shell32 advapi32 gdi32 user32 ole32)

# The program itself, once its entry exists.
if(EXISTS ${CMAKE_SOURCE_DIR}/src/app/sources.cmake)
    include(${CMAKE_SOURCE_DIR}/src/app/sources.cmake)
    # Up to 4 GB of address space under 64-bit Windows, room for a large capture.
    target_link_options(Sockmere PRIVATE -Wl,--large-address-aware)
    # Shipped stripped, without unused sections, and with a terminate handler that just aborts,
    # so the default one's demangler and printf code stay out.
    target_compile_options(Sockmere PRIVATE ${SOCKMERE_SIZE_FLAGS} ${SOCKMERE_PATH_FLAGS})
    target_sources(Sockmere PRIVATE ${CMAKE_SOURCE_DIR}/src/app/Terminate.cpp)
    target_link_options(Sockmere PRIVATE -s
                        -Wl,--wrap=_ZN9__gnu_cxx27__verbose_terminate_handlerEv)
    # The library's index and size errors become the program's own error (see Terminate.cpp).
    foreach(thrower _ZSt19__throw_logic_errorPKc _ZSt20__throw_domain_errorPKc
            _ZSt24__throw_invalid_argumentPKc _ZSt20__throw_length_errorPKc _ZSt20__throw_out_of_rangePKc
            _ZSt24__throw_out_of_range_fmtPKcz _ZSt21__throw_runtime_errorPKc _ZSt19__throw_range_errorPKc
            _ZSt22__throw_overflow_errorPKc _ZSt23__throw_underflow_errorPKc _ZSt17__throw_bad_allocv
            _ZSt28__throw_bad_array_new_lengthv _ZSt25__throw_bad_function_callv)
        target_link_options(Sockmere PRIVATE -Wl,--wrap=${thrower})
    endforeach()
    sockmere_gc_link(Sockmere)
    # The guard on that link passes the program and fails it for each fault it is there for.
    add_test(NAME link_unwind_guard
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/link/unwind_guard_test.py
                     ${CMAKE_SOURCE_DIR}/tools/gc-link.py $<TARGET_FILE:Sockmere>)
    # The PE header carries no link time, so a rebuild of the same commit gives the same bytes.
    target_link_options(Sockmere PRIVATE -Wl,--no-insert-timestamp)
    # The program's threads are Win32 threads, so it links the C++ runtime built for them, which
    # carries no pthread emulation; the test programs keep the posix one that GoogleTest needs.
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++.a
                    OUTPUT_VARIABLE posixRuntime OUTPUT_STRIP_TRAILING_WHITESPACE)
    string(REPLACE "-posix" "-win32" win32Runtime "${posixRuntime}")
    get_filename_component(win32RuntimeDir "${win32Runtime}" DIRECTORY)
    if(NOT win32Runtime STREQUAL posixRuntime AND EXISTS "${win32Runtime}")
        target_link_options(Sockmere PRIVATE -L${win32RuntimeDir})
    endif()
endif()

# One test program per folder of tests/win keeps Wine start-ups few.
file(GLOB WIN_TEST_DIRS LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*)
foreach(dir ${WIN_TEST_DIRS})
    if(NOT IS_DIRECTORY ${dir})
        continue()
    endif()
    get_filename_component(sub ${dir} NAME)
    set(name win_${sub}_tests)
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
    if(NOT sources)
        continue()
    endif()
    add_executable(${name} ${sources})
    target_compile_options(${name} PRIVATE ${WARN})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/win)
    target_link_libraries(${name} PRIVATE sockmere_win gtest gtest_main)
    add_dependencies(${name} fake_netstat)
    add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:Z:${SOCKMERE_RESULTS_DIR}/${name}.xml)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 900
                         ENVIRONMENT "SOCKMERE_BUILD_DIR=${CMAKE_BINARY_DIR}")
endforeach()

# Benchmarks that need Windows (run under Wine by tools/bench.sh): bench/win_*.cpp.
file(GLOB WIN_BENCHES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/win_*.cpp)
foreach(src ${WIN_BENCHES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_options(${name} PRIVATE ${WARN})
    target_link_libraries(${name} PRIVATE sockmere_win psapi)
    add_dependencies(${name} fake_netstat)
endforeach()

# The scaling tests run in the 144-DPI prefix.
if(TARGET win_dpi_tests)
    set_target_properties(win_dpi_tests PROPERTIES CROSSCOMPILING_EMULATOR
                          "${CMAKE_SOURCE_DIR}/tools/wine-exec;${SOCKMERE_WINEPREFIX_144}")
    set_tests_properties(win_dpi_tests PROPERTIES FIXTURES_REQUIRED wine144)
endif()

# The main window's tests need the program's resources; the end-to-end tests, the table's tests and the
# export benchmark run the program.
foreach(target win_ui_tests win_dpi_tests win_refresh win_live)
    if(TARGET ${target})
        target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src/app/Sockmere.rc)
        target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src/app ${SOCKMERE_GENERATED_DIR})
    endif()
endforeach()
foreach(target win_e2e_tests win_ui_tests win_export)
    if(TARGET ${target} AND TARGET Sockmere)
        add_dependencies(${target} Sockmere)
    endif()
endforeach()


# The start-up benchmark's yardstick, an empty window program, its floor, the main window's
# controls made with plain calls, and the program it is measured against.
if(TARGET win_startup)
    add_executable(empty_window WIN32 ${CMAKE_SOURCE_DIR}/bench/startup/EmptyWindow.cpp)
    target_link_options(empty_window PRIVATE -s)
    add_executable(controls_window WIN32 ${CMAKE_SOURCE_DIR}/bench/startup/ControlsWindow.cpp
                                         ${CMAKE_SOURCE_DIR}/bench/startup/ControlsWindow.rc)
    target_include_directories(controls_window PRIVATE ${SOCKMERE_GENERATED_DIR})
    target_link_libraries(controls_window PRIVATE comctl32)
    target_link_options(controls_window PRIVATE -s)
    add_dependencies(win_startup empty_window controls_window)
    if(TARGET Sockmere)
        add_dependencies(win_startup Sockmere)
    endif()
endif()

if(TARGET Sockmere)
    include(${CMAKE_SOURCE_DIR}/cmake/release.cmake)
endif()
