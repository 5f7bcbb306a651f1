# korvan_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [GUI] [SERVER])
#
# Builds one QtTest executable and registers it with CTest.
#   GUI     the test creates widgets: it runs on the offscreen platform.
#   SERVER  the test starts a real korvan-server: its path is handed over in
#           KORVAN_SERVER_BIN and the server is built first.
function(korvan_add_test)
    # BOTH_ENGINES: the test runs a second time as NAME_postgresql, its
    # servers on PostgreSQL (TestServer reads KORVAN_TEST_ENGINE).
    cmake_parse_arguments(T "GUI;SERVER;BOTH_ENGINES" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set(env "QT_QPA_PLATFORM=offscreen")
    if(T_SERVER)
        target_link_libraries(${T_NAME} PRIVATE korvan_testsupport)
        add_dependencies(${T_NAME} korvan-server)
        list(APPEND env "KORVAN_SERVER_BIN=$<TARGET_FILE:korvan-server>")
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${T_TIMEOUT})
    if(T_GUI)
        set_property(TEST ${T_NAME} APPEND PROPERTY LABELS gui)
    endif()
    if(T_BOTH_ENGINES)
        add_test(NAME ${T_NAME}_postgresql COMMAND ${T_NAME})
        set_tests_properties(${T_NAME}_postgresql PROPERTIES
            ENVIRONMENT "${env};KORVAN_TEST_ENGINE=postgresql" TIMEOUT ${T_TIMEOUT} LABELS postgresql)
    endif()
endfunction()
