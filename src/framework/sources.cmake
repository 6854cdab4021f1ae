# The framework is Win32 through and through, but for the arithmetic of lengths at a DPI.
file(GLOB FRAMEWORK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/framework/*.cpp)
list(REMOVE_ITEM FRAMEWORK_SOURCES ${CMAKE_SOURCE_DIR}/src/framework/DpiScale.cpp)
list(APPEND SOCKMERE_CORE_SOURCES ${CMAKE_SOURCE_DIR}/src/framework/DpiScale.cpp)
list(APPEND SOCKMERE_WIN_SOURCES ${FRAMEWORK_SOURCES})
