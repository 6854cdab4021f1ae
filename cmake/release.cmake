# The release, Sockmere-<version>-win32.zip: the program, its plain-text readme and the licence,
# both texts with CR LF line ends for Notepad. Its bytes follow from the sources alone, so anyone
# can rebuild a release and compare; tools/release.sh makes one from a clean clone.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(SOCKMERE_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
set(SOCKMERE_RELEASE_ZIP ${SOCKMERE_RELEASE_DIR}/Sockmere-${PROJECT_VERSION}-win32.zip)
configure_file(${CMAKE_SOURCE_DIR}/src/app/README.txt.in ${SOCKMERE_RELEASE_DIR}/README.txt
               @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${SOCKMERE_RELEASE_DIR}/LICENSE.txt
               @ONLY NEWLINE_STYLE CRLF)
add_custom_command(OUTPUT ${SOCKMERE_RELEASE_ZIP}
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/pack-zip.py ${SOCKMERE_RELEASE_ZIP}
            $<TARGET_FILE:Sockmere>=Sockmere.exe
            ${SOCKMERE_RELEASE_DIR}/README.txt=README.txt
            ${SOCKMERE_RELEASE_DIR}/LICENSE.txt=LICENSE.txt
    DEPENDS Sockmere ${CMAKE_SOURCE_DIR}/tools/pack-zip.py
            ${SOCKMERE_RELEASE_DIR}/README.txt ${SOCKMERE_RELEASE_DIR}/LICENSE.txt
    COMMENT "Packing ${SOCKMERE_RELEASE_ZIP}"
    VERBATIM)
add_custom_target(release_zip ALL DEPENDS ${SOCKMERE_RELEASE_ZIP})

# Makes a release with tools/release.sh from a committed copy of the sources in another folder
# and compares its bytes with this build's.
add_test(NAME release_reproducible
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/release/release_test.py
                 ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR} ${SOCKMERE_RESULTS_DIR}/release_reproducible.xml)
set_tests_properties(release_reproducible PROPERTIES TIMEOUT 900)
