# jiujiu_add_test(NAME SOURCES ... LIBS ... [GUI] [OWN_MAIN] [TIMEOUT s] [LABELS label]
#                 [ENV VAR=value ...])
# GUI tests run under the offscreen platform; OWN_MAIN tests bring their own main() (for a
# QApplication), the others get gtest's. Every test case becomes its own ctest entry.
find_package(GTest REQUIRED)
include(GoogleTest)

function(jiujiu_add_test name)
    cmake_parse_arguments(T "GUI;OWN_MAIN" "TIMEOUT;LABELS" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
    if(NOT T_OWN_MAIN)
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    set(env)
    if(T_GUI)
        list(APPEND env QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
             "QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox --disable-gpu")
    endif()
    if(JIUJIU_SANITIZE)
        list(APPEND env "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
             "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
             "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
    endif()
    if(JIUJIU_SANITIZE_THREAD)
        list(APPEND env "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=${CMAKE_SOURCE_DIR}/tests/tsan.supp")
    endif()
    list(APPEND env "JIUJIU_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}")
    # The test's own variables last: they win over the defaults above.
    list(APPEND env ${T_ENV})
    # gtest_discover_tests flattens a list-valued ENVIRONMENT property, keeping only its first
    # entry; running the tests through "cmake -E env" keeps every variable.
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-E;env;${env}")
    set(properties TIMEOUT ${T_TIMEOUT})
    if(T_LABELS)
        # One label: a list-valued property would be flattened like ENVIRONMENT above.
        list(APPEND properties LABELS ${T_LABELS})
    endif()
    # Test names stay the same from run to run (no parameter values in them), so -R and
    # --rerun-failed work.
    gtest_discover_tests(${name}
        NO_PRETTY_VALUES
        DISCOVERY_TIMEOUT 60
        DISCOVERY_MODE PRE_TEST
        PROPERTIES ${properties})
endfunction()
