list(APPEND SOCKMERE_CORE_SOURCES
    ${CMAKE_SOURCE_DIR}/src/settings/PropsText.cpp)
list(APPEND SOCKMERE_WIN_SOURCES
    ${CMAKE_SOURCE_DIR}/src/settings/RXProps.cpp)
