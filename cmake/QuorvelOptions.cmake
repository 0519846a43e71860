# Build-wide settings: the figure site word, the maker's home page, warnings and sanitizers.

set(FigureSitePrefix "quorvel" CACHE STRING "Site word of every figure and register address (one lower-case word)")
if(NOT FigureSitePrefix MATCHES "^[a-z]+$")
    message(FATAL_ERROR "FigureSitePrefix must be one lower-case word (letters a-z only), not '${FigureSitePrefix}'")
endif()

set(QUORVEL_HOME_PAGE "http://www.quorvel.com" CACHE STRING "The maker's home page, opened from the About window")
if(NOT QUORVEL_HOME_PAGE MATCHES "^http://www\\.[a-z0-9-]+\\.com$")
    message(FATAL_ERROR "QUORVEL_HOME_PAGE must read http://www.<site>.com, not '${QUORVEL_HOME_PAGE}'")
endif()

option(QUORVEL_BUILD_UI "Build the windowed program quorvel and its windows" ON)
option(QUORVEL_WERROR "Treat warnings as errors" OFF)
option(QUORVEL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QUORVEL_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

# Tests and benchmarks need libraries the program does not: unless asked for (ON) or refused (OFF), they are
# built when those libraries are found, so a configure with only the program's build dependencies works.
if(NOT DEFINED QUORVEL_BUILD_TESTS)
    find_package(GTest QUIET)
    find_package(Qt6 QUIET COMPONENTS Test)
    set(QUORVEL_TESTS_FOUND OFF)
    if(GTest_FOUND AND Qt6Test_FOUND)
        set(QUORVEL_TESTS_FOUND ON)
    endif()
endif()
option(QUORVEL_BUILD_TESTS "Build the tests (GoogleTest, Qt Test)" ${QUORVEL_TESTS_FOUND})
if(NOT DEFINED QUORVEL_BUILD_BENCH)
    find_package(benchmark QUIET)
    find_package(Qt6 QUIET COMPONENTS Test)
    set(QUORVEL_BENCH_FOUND OFF)
    if(benchmark_FOUND AND Qt6Test_FOUND)
        set(QUORVEL_BENCH_FOUND ON)
    endif()
endif()
option(QUORVEL_BUILD_BENCH "Build the benchmarks (Google Benchmark, Qt Test)" ${QUORVEL_BENCH_FOUND})

add_compile_options(-Wall -Wextra -Wpedantic)
if(QUORVEL_WERROR)
    add_compile_options(-Werror)
endif()
if(QUORVEL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Every conversion between bytes and text is explicit.
add_compile_definitions(QT_NO_CAST_TO_ASCII QT_RESTRICTED_CAST_FROM_ASCII QT_NO_URL_CAST_FROM_STRING
                        QT_NO_KEYWORDS)

# Fuzzing: every library is instrumented for coverage, the fuzz targets link libFuzzer's driver.
if(QUORVEL_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "QUORVEL_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
