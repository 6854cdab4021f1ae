list(APPEND SOCKMERE_CORE_SOURCES
    ${CMAKE_SOURCE_DIR}/src/ui/ExportSwitches.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/ActionRules.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/LiveUpdateRules.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/MainWindowRules.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/RowChanges.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/RowFilter.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/TableText.cpp
    ${CMAKE_SOURCE_DIR}/src/ui/WatchRules.cpp)
file(GLOB UI_WIN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/Unit*.cpp ${CMAKE_SOURCE_DIR}/src/ui/UrlLabel.cpp
     ${CMAKE_SOURCE_DIR}/src/ui/TableExport.cpp ${CMAKE_SOURCE_DIR}/src/ui/ChangeMarks.cpp
     ${CMAKE_SOURCE_DIR}/src/ui/LiveUpdates.cpp ${CMAKE_SOURCE_DIR}/src/ui/TableListing.cpp
     ${CMAKE_SOURCE_DIR}/src/ui/FilterBar.cpp ${CMAKE_SOURCE_DIR}/src/ui/ConsoleExport.cpp
     ${CMAKE_SOURCE_DIR}/src/ui/ConnectionActions.cpp ${CMAKE_SOURCE_DIR}/src/ui/ProgramIcons.cpp
     ${CMAKE_SOURCE_DIR}/src/ui/ConnectionWatch.cpp ${CMAKE_SOURCE_DIR}/src/ui/ChangeLogFile.cpp)
list(APPEND SOCKMERE_WIN_SOURCES ${UI_WIN_SOURCES})
