list(APPEND SOCKMERE_CORE_SOURCES
    ${CMAKE_SOURCE_DIR}/src/settings/PropsText.cpp
    ${CMAKE_SOURCE_DIR}/src/settings/ScreenFit.cpp
    ${CMAKE_SOURCE_DIR}/src/settings/StoreText.cpp)
list(APPEND SOCKMERE_WIN_SOURCES
    ${CMAKE_SOURCE_DIR}/src/settings/AppUtils.cpp
    ${CMAKE_SOURCE_DIR}/src/settings/IniFiles.cpp
    ${CMAKE_SOURCE_DIR}/src/settings/FormPlacement.cpp
    ${CMAKE_SOURCE_DIR}/src/settings/Registry.cpp
    ${CMAKE_SOURCE_DIR}/src/settings/StoredProps.cpp)
