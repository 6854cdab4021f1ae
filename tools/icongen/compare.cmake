# Runs the picture generator into a scratch folder and fails unless every file it writes is
# byte for byte the committed one: cmake -DGENERATOR=... -DOUT=... -DCOMMITTED=... -P compare.cmake
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${GENERATOR} ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the generator failed (${rc})")
endif()
foreach(name frame0.ico frame1.ico frame2.ico frame3.ico trayframes.bin sockmere.ico hand.cur)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name} ${COMMITTED}/${name}
                    RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
        message(FATAL_ERROR "${name} differs from its committed copy: run icongen into ${COMMITTED}")
    endif()
endforeach()
message(STATUS "all pictures match their committed copies")
