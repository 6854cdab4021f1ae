# The program: one statically linked GUI executable with its icons, cursor, frames and manifest.
add_executable(Sockmere WIN32
    ${CMAKE_SOURCE_DIR}/src/app/main.cpp
    ${CMAKE_SOURCE_DIR}/src/app/Sockmere.rc)
target_compile_options(Sockmere PRIVATE ${WARN})
target_link_libraries(Sockmere PRIVATE sockmere_win)
target_include_directories(Sockmere PRIVATE ${CMAKE_SOURCE_DIR}/src/app)
set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/app/Sockmere.rc APPEND PROPERTY OBJECT_DEPENDS
    ${CMAKE_SOURCE_DIR}/src/app/Sockmere.manifest
    ${CMAKE_SOURCE_DIR}/src/app/res/sockmere.ico
    ${CMAKE_SOURCE_DIR}/src/app/res/hand.cur
    ${CMAKE_SOURCE_DIR}/src/app/res/trayframes.bin)
