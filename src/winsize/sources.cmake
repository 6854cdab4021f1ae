list(APPEND SOCKMERE_WIN_SOURCES
    ${CMAKE_SOURCE_DIR}/src/winsize/MinMax.cpp
    ${CMAKE_SOURCE_DIR}/src/winsize/WindowHook.cpp)
