# GoogleTest for both builds, and the helpers that register tests with ctest.
#
#   quill_gtest(NAME <name> SOURCES <files...> [LIBS <targets...>] [GUI] [WITH_SERVER] [TIMEOUT <s>])
#     A GoogleTest program; one ctest entry per program (each wine start costs time).
#     GUI marks tests that need the X display (label "gui"). WITH_SERVER runs the
#     program while an update server listens on a free port (tests/support/with_server.py
#     tells it QUILL_TEST_SERVER, QUILL_TEST_RELEASE and QUILL_TEST_LOG).
#   quill_script_test(NAME <name> COMMAND <cmd...> [GUI] [SERVER] [TIMEOUT <s>])
#     A test driven from Linux (bash or python) that runs Windows programs through
#     ${QUILL_WINE_RUN} itself, for end-to-end cases. SERVER marks tests that run the
#     update server on the fixed port the updater is built for (they are serialised).

include(CTest)
include(QuillFixtures)

# The installed GoogleTest where the target platform has one (a native build with
# libgtest-dev); otherwise Debian's sources, built with the project's own settings.
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  if(QUILL_WINDOWS)
    target_link_options(gtest PUBLIC -static -static-libgcc -static-libstdc++)
  endif()
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
  QUILL_WINE_RUN=${QUILL_WINE_RUN}
  QUILL_SERVER_BASE=${QUILL_SERVER_BASE})

# Windows tests run inside one wine session of the build folder: an Xvfb display and a
# running wineserver on the build's prefix (prepared on first use). ctest starts it before
# the first Windows test it runs and ends it after the last, so `ctest` works on its own;
# scripts/test.sh starting a session first is fine too.
if(QUILL_WINDOWS)
  set(_quill_wine_session bash ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh)
  add_test(NAME wine_session_start COMMAND ${_quill_wine_session} start ${CMAKE_BINARY_DIR})
  add_test(NAME wine_session_stop COMMAND ${_quill_wine_session} stop ${CMAKE_BINARY_DIR})
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine_session TIMEOUT 180)
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine_session TIMEOUT 60)
endif()

function(_quill_test_properties name gui timeout server)
  if(NOT timeout)
    set(timeout 300)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${QUILL_TEST_ENV};QUILL_TEST_TIMEOUT=${timeout}"
    TIMEOUT ${timeout})
  if(QUILL_WINDOWS)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_session)
  endif()
  set(locks "")
  if(gui)
    set_tests_properties(${name} PROPERTIES LABELS gui)
    list(APPEND locks display)
  endif()
  if(server)
    list(APPEND locks update_server)
  endif()
  if(locks)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${locks}")
  endif()
endfunction()

function(quill_gtest)
  cmake_parse_arguments(T "GUI;WITH_SERVER" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main quill_options)
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  if(T_WITH_SERVER)
    add_test(NAME ${T_NAME}
      COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/support/with_server.py -- ${QUILL_WINE_RUN} $<TARGET_FILE:${T_NAME}>
      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  _quill_test_properties(${T_NAME} "${T_GUI}" "${T_TIMEOUT}" OFF)
endfunction()

function(quill_script_test)
  cmake_parse_arguments(T "GUI;SERVER" "NAME;TIMEOUT" "COMMAND" ${ARGN})
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  _quill_test_properties(${T_NAME} "${T_GUI}" "${T_TIMEOUT}" "${T_SERVER}")
endfunction()
