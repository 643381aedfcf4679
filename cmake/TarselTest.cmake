# One helper for every test executable: tarsel_add_test(NAME n SOURCES ... LIBS ... [NATIVE_ONLY])
# Natively each GoogleTest case becomes a ctest test; cross-built, one ctest test per
# executable runs the whole binary under Wine (starting Wine per case would cost seconds).
include(GoogleTest)

set(TARSEL_FIXTURES_DIR "${CMAKE_SOURCE_DIR}/tests/fixtures")

function(tarsel_add_test)
    cmake_parse_arguments(T "NATIVE_ONLY" "NAME" "SOURCES;LIBS" ${ARGN})
    if(T_NATIVE_ONLY AND CMAKE_CROSSCOMPILING)
        return()
    endif()
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest GTest::gtest_main)
    target_compile_definitions(${T_NAME} PRIVATE
        TARSEL_FIXTURES_DIR="${TARSEL_FIXTURES_DIR}"
        TARSEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        TARSEL_BINARY_DIR="${CMAKE_BINARY_DIR}")
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${T_NAME} COMMAND ${T_NAME})
        set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 600)
    else()
        gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                             PROPERTIES TIMEOUT 300)
    endif()
endfunction()
