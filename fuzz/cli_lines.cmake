quorvel_add_fuzzer(cli_lines ${CMAKE_CURRENT_LIST_DIR}/CliLinesFuzzer.cpp)
target_link_libraries(fuzz_cli_lines PRIVATE quorvel_cli_lib)
