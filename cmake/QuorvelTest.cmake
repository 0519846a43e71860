# quorvel_add_test(NAME name SOURCES a.cpp ... LIBS lib ... [LABELS l ...] [TIMEOUT s] [GTEST])
# Registers one test executable with ctest. Every test runs offscreen, in a fixed locale, with a
# time-out, and with its own data, settings and temporary folders so it never touches the user's files.
find_package(GTest REQUIRED)

function(quorvel_add_test)
    cmake_parse_arguments(T "GTEST" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
    if(T_GTEST)
        target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock)
    endif()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS "${T_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANG=C.UTF-8;QT_LOGGING_RULES=qt.qpa.*=false;QT_FATAL_CRITICALS=1;ASAN_OPTIONS=detect_leaks=0;${T_ENV}")
endfunction()
