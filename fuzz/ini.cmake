# The settings file reader: any bytes as a file.
if(TARGET quorvel_settings)
    quorvel_add_fuzzer(ini ${CMAKE_CURRENT_LIST_DIR}/IniFuzzer.cpp)
    target_link_libraries(fuzz_ini PRIVATE quorvel_settings)
endif()
