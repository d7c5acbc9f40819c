# GoogleTest for both builds, and the helpers that register tests with ctest.
#
#   quill_gtest(NAME <name> SOURCES <files...> [LIBS <targets...>] [GUI] [TIMEOUT <s>])
#     A GoogleTest program; one ctest entry per program (each wine start costs time).
#     GUI marks tests that need the X display (label "gui").
#   quill_script_test(NAME <name> COMMAND <cmd...> [GUI] [TIMEOUT <s>])
#     A test driven from Linux (bash or python) that runs Windows programs through
#     ${QUILL_WINE_RUN} itself, for end-to-end cases.

include(CTest)

set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
if(QUILL_WINDOWS)
  target_link_options(gtest PUBLIC -static -static-libgcc -static-libstdc++)
endif()

if(QUILL_WINDOWS)
  set(QUILL_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run.sh)
else()
  set(QUILL_WINE_RUN "")
endif()

set(QUILL_TEST_ENV
  QUILL_SOURCE_DIR=${CMAKE_SOURCE_DIR}
  QUILL_BINARY_DIR=${CMAKE_BINARY_DIR}
  QUILL_SERVER=${CMAKE_SOURCE_DIR}/server/update_server.py
  QUILL_WINE_RUN=${QUILL_WINE_RUN})

function(_quill_test_properties name gui timeout)
  if(NOT timeout)
    set(timeout 300)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${QUILL_TEST_ENV}" TIMEOUT ${timeout})
  if(gui)
    set_tests_properties(${name} PROPERTIES LABELS gui RESOURCE_LOCK display)
  endif()
endfunction()

function(quill_gtest)
  cmake_parse_arguments(T "GUI" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main quill_options)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  _quill_test_properties(${T_NAME} "${T_GUI}" "${T_TIMEOUT}")
endfunction()

function(quill_script_test)
  cmake_parse_arguments(T "GUI" "NAME;TIMEOUT" "COMMAND" ${ARGN})
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  _quill_test_properties(${T_NAME} "${T_GUI}" "${T_TIMEOUT}")
endfunction()
