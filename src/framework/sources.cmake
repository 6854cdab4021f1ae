# The framework is Win32 through and through.
file(GLOB FRAMEWORK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/framework/*.cpp)
list(APPEND SOCKMERE_WIN_SOURCES ${FRAMEWORK_SOURCES})
