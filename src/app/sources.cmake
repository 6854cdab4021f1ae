# The program: one statically linked GUI executable with its icons, cursor, frames and manifest.
# The version header and the manifest are made from the VERSION file into the build tree; the
# manifest, which the program carries, with LF line ends whatever the checkout's.
set(SOCKMERE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(SOCKMERE_FILE_VERSION ${PROJECT_VERSION}.0)
configure_file(${CMAKE_SOURCE_DIR}/src/app/Version.h.in ${SOCKMERE_GENERATED_DIR}/Version.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/src/app/Sockmere.manifest.in ${SOCKMERE_GENERATED_DIR}/Sockmere.manifest
               @ONLY NEWLINE_STYLE LF)

add_executable(Sockmere WIN32
    ${CMAKE_SOURCE_DIR}/src/app/main.cpp
    ${CMAKE_SOURCE_DIR}/src/app/Sockmere.rc)
target_compile_options(Sockmere PRIVATE ${WARN})
target_link_libraries(Sockmere PRIVATE sockmere_win)
target_include_directories(Sockmere PRIVATE ${CMAKE_SOURCE_DIR}/src/app ${SOCKMERE_GENERATED_DIR})
set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/app/Sockmere.rc APPEND PROPERTY OBJECT_DEPENDS
    ${SOCKMERE_GENERATED_DIR}/Version.h
    ${SOCKMERE_GENERATED_DIR}/Sockmere.manifest
    ${CMAKE_SOURCE_DIR}/src/app/res/sockmere.ico
    ${CMAKE_SOURCE_DIR}/src/app/res/hand.cur
    ${CMAKE_SOURCE_DIR}/src/app/res/trayframes.bin)
