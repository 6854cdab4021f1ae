list(APPEND SOCKMERE_CORE_SOURCES
    ${CMAKE_SOURCE_DIR}/src/listing/ConnectionKey.cpp
    ${CMAKE_SOURCE_DIR}/src/listing/ListingCommand.cpp
    ${CMAKE_SOURCE_DIR}/src/listing/ListingOutcome.cpp
    ${CMAKE_SOURCE_DIR}/src/listing/ListingParser.cpp
    ${CMAKE_SOURCE_DIR}/src/listing/ListingRows.cpp
    ${CMAKE_SOURCE_DIR}/src/listing/TcpStates.cpp)
list(APPEND SOCKMERE_WIN_SOURCES
    ${CMAKE_SOURCE_DIR}/src/listing/ListingRun.cpp
    ${CMAKE_SOURCE_DIR}/src/listing/ListingWorker.cpp
    ${CMAKE_SOURCE_DIR}/src/listing/ProcessNames.cpp
    ${CMAKE_SOURCE_DIR}/src/listing/Runner.cpp
    ${CMAKE_SOURCE_DIR}/src/listing/SystemListingCommand.cpp)
