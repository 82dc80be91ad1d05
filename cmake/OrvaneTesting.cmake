# Test programs are compiled without optimisation: most of their compile time would go into
# optimising test bodies that run once, while the code under test keeps the build's own
# options. The fortified functions need optimisation, so they are off in the tests.
set(ORVANE_TEST_COMPILE_OPTIONS -O0 -U_FORTIFY_SOURCE)

# orvane_add_test(<name> SOURCES <files...> LIBS <targets...>)
# A GoogleTest program run by ctest, under the offscreen Qt platform, with the
# build's program folder (catalogue, simulator) passed in ORVANE_BIN_DIR.
function(orvane_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${ORVANE_TEST_COMPILE_OPTIONS})
  set_target_properties(${name} PROPERTIES ORVANE_TEST ON)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE ORVANE_BIN_DIR="${ORVANE_BIN_DIR}"
                                             ORVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/xdg-runtime;ORVANE_BIN_DIR=${ORVANE_BIN_DIR}")
endfunction()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/xdg-runtime)
file(CHMOD ${CMAKE_BINARY_DIR}/xdg-runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
