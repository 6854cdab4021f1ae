list(APPEND SOCKMERE_CORE_SOURCES
    ${CMAKE_SOURCE_DIR}/src/tray/IconFiles.cpp
    ${CMAKE_SOURCE_DIR}/src/tray/IconStreamReader.cpp
    ${CMAKE_SOURCE_DIR}/src/tray/TrayHint.cpp)
list(APPEND SOCKMERE_WIN_SOURCES
    ${CMAKE_SOURCE_DIR}/src/tray/IconList.cpp
    ${CMAKE_SOURCE_DIR}/src/tray/IconListSaving.cpp
    ${CMAKE_SOURCE_DIR}/src/tray/TrayIcon.cpp)
