# One helper for every test executable:
#   tarsel_add_test(NAME n SOURCES ... LIBS ... [NATIVE_ONLY] [GUI])
# Natively each GoogleTest case becomes a ctest test; cross-built, one ctest test per
# executable runs the whole binary under Wine (starting Wine per case would cost seconds).
# GUI tests drive real windows: they run under Xvfb in a Wine prefix of their own, whose
# wineserver has a display, and fail when Xvfb is missing.
include(GoogleTest)

set(TARSEL_FIXTURES_DIR "${CMAKE_SOURCE_DIR}/tests/fixtures")
set(TARSEL_TEST_SOURCE_DIR "${CMAKE_SOURCE_DIR}")
set(TARSEL_TEST_BINARY_DIR "${CMAKE_BINARY_DIR}")
if(CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX)
    # Under Wine the Unix root is drive Z:; an absolute Unix path only works while the
    # current directory happens to be on Z:, so the tests get drive-qualified paths.
    string(PREPEND TARSEL_FIXTURES_DIR "Z:")
    string(PREPEND TARSEL_TEST_SOURCE_DIR "Z:")
    string(PREPEND TARSEL_TEST_BINARY_DIR "Z:")
endif()

# Cross builds: one fixture prepares the Wine prefix and keeps a wineserver up for the whole
# run; its cleanup ends that server. Every Wine test requires the fixture, so `ctest -R x`
# still sets it up.
function(_tarsel_add_wine_fixture)
    get_property(_done GLOBAL PROPERTY TARSEL_WINE_FIXTURE_DONE)
    if(_done)
        return()
    endif()
    set_property(GLOBAL PROPERTY TARSEL_WINE_FIXTURE_DONE TRUE)
    set(_script "${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh")
    add_test(NAME wine_prefix COMMAND ${_script} start ${TARSEL_WINE_PREFIX})
    add_test(NAME wine_prefix_stop COMMAND ${_script} stop ${TARSEL_WINE_PREFIX})
    set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
    set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine_prefix TIMEOUT 60)
endfunction()

function(tarsel_add_test)
    cmake_parse_arguments(T "NATIVE_ONLY;GUI" "NAME" "SOURCES;LIBS" ${ARGN})
    if(T_NATIVE_ONLY AND CMAKE_CROSSCOMPILING)
        return()
    endif()
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest GTest::gtest_main)
    target_compile_definitions(${T_NAME} PRIVATE
        TARSEL_FIXTURES_DIR="${TARSEL_FIXTURES_DIR}"
        TARSEL_SOURCE_DIR="${TARSEL_TEST_SOURCE_DIR}"
        TARSEL_BINARY_DIR="${TARSEL_TEST_BINARY_DIR}")
    if(T_GUI)
        add_test(NAME ${T_NAME} COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-gui-run.sh
                                        ${TARSEL_WINE_PREFIX}-gui $<TARGET_FILE:${T_NAME}>)
        set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 600 ENVIRONMENT TARSEL_WINE_RETRY=1)
    elseif(CMAKE_CROSSCOMPILING)
        _tarsel_add_wine_fixture()
        add_test(NAME ${T_NAME} COMMAND ${T_NAME})
        # A test program Wine ends before it starts is run once more (cmake/wine-run.sh).
        set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 600
                                                  ENVIRONMENT TARSEL_WINE_RETRY=1)
    else()
        gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                             PROPERTIES TIMEOUT 300)
    endif()
endfunction()
