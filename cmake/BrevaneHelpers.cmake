# brevane_add_test(NAME name SOURCES ... LIBS ... [TIMEOUT s] [LABELS ...])
# One QtTest executable per test, run headless. Most finish within a second, a few seconds
# under the sanitizers; the default timeout leaves room for a loaded machine, not for a hang.
function(brevane_add_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 30)
    endif()
    qt_add_executable(${T_NAME} ${T_SOURCES})
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test)
    target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_compile_definitions(${T_NAME} PRIVATE
        BREVANE_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
        BREVANE_BINARY_DIR="${CMAKE_BINARY_DIR}")
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0"
        LABELS "${T_LABELS}")
endfunction()
