# quorvel_add_test(NAME name [SOURCES a.cpp ...] [LIBS lib ...] [LABELS l ...] [TIMEOUT s] [GTEST] [ENV V=x ...]
#                  [COMMAND program argument ...] [XSERVER])
# Registers one test with ctest. Every test runs in a fixed locale, with a time-out, offscreen, and with its own
# data, settings, home, XDG and temporary folders, made fresh for each run (cmake/run-test.sh), so it never
# touches the user's files or another test's; a test that needs other folders sets them itself.
#   SOURCES  builds an executable called NAME from these files (linked with LIBS, and GoogleTest with GTEST);
#   COMMAND  what to run instead of that executable (a script, or another test's executable);
#   XSERVER  runs on a virtual X server of its own (Xvfb) instead of offscreen, never beside another such test,
#            labelled x11, skipped where Xvfb is missing.
# Under the sanitizers LeakSanitizer is on; what third-party libraries keep for good is listed in tests/lsan.supp.
find_package(GTest REQUIRED)

function(quorvel_add_test)
    cmake_parse_arguments(T "GTEST;XSERVER" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ENV;COMMAND" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    if(T_SOURCES)
        add_executable(${T_NAME} ${T_SOURCES})
        target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
        if(T_GTEST)
            target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock)
        endif()
    endif()
    if(NOT T_COMMAND)
        set(T_COMMAND $<TARGET_FILE:${T_NAME}>)
    endif()
    set(platform "QT_QPA_PLATFORM=offscreen")
    set(wrapper sh ${PROJECT_SOURCE_DIR}/cmake/run-test.sh)
    if(T_XSERVER)
        set(platform "QT_QPA_PLATFORM=xcb")
        list(APPEND wrapper --xserver)
        list(APPEND T_LABELS x11)
    endif()
    add_test(NAME ${T_NAME} COMMAND ${wrapper} ${T_COMMAND})
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS "${T_LABELS}"
        # A missing text is reported as critical: it ends the run instead of passing unnoticed.
        ENVIRONMENT "${platform};LC_ALL=C.UTF-8;LANG=C.UTF-8;QT_LOGGING_RULES=qt.qpa.*=false;QT_FATAL_CRITICALS=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;${T_ENV}")
    if(T_XSERVER)
        set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK xserver SKIP_RETURN_CODE 77)
    endif()
endfunction()
