# Archive message texts: the table source, its generator, the LZ77 stream and the exception.

set(ZA_MSG_TABLE ${CMAKE_CURRENT_SOURCE_DIR}/ZADefMsgs.txt)
set(ZA_MSG_GEN_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/tools/ZAMsgGen.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ZAExtrLZ77.cpp)

# The generator runs on the build machine, so a cross build compiles it with the host compiler.
if(CMAKE_CROSSCOMPILING)
  find_program(ZA_HOST_CXX NAMES g++ c++ clang++ REQUIRED)
  set(ZA_MSG_GEN ${CMAKE_CURRENT_BINARY_DIR}/ZAMsgGen-host)
  add_custom_command(OUTPUT ${ZA_MSG_GEN}
    COMMAND ${ZA_HOST_CXX} -std=c++20 -O2 -o ${ZA_MSG_GEN} ${ZA_MSG_GEN_SOURCES}
    DEPENDS ${ZA_MSG_GEN_SOURCES} ${CMAKE_CURRENT_SOURCE_DIR}/ZAExtrLZ77.h
    COMMENT "Building the message table generator for the build machine")
  add_custom_target(ZAMsgGen DEPENDS ${ZA_MSG_GEN})
else()
  add_executable(ZAMsgGen ${ZA_MSG_GEN_SOURCES})
  target_link_libraries(ZAMsgGen PRIVATE quill_options)
  set(ZA_MSG_GEN $<TARGET_FILE:ZAMsgGen>)
endif()
set(ZA_MSG_GEN ${ZA_MSG_GEN} CACHE INTERNAL "")

add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/ZADefMsgs.cpp
  COMMAND ${ZA_MSG_GEN} cpp ${ZA_MSG_TABLE} ${CMAKE_CURRENT_BINARY_DIR}/ZADefMsgs.cpp
  DEPENDS ZAMsgGen ${ZA_MSG_GEN_SOURCES} ${ZA_MSG_TABLE}
  COMMENT "Generating the built-in archive message block")

if(QUILL_WINDOWS)
  set(ZA_MSG_SYS ZAMsgStrSysWin.cpp)
else()
  set(ZA_MSG_SYS ZAMsgStrSysNative.cpp)
endif()

add_library(za_messages STATIC
  ZAExtrLZ77.cpp
  ZAMsgStr.cpp
  ZAXcpt.cpp
  ${ZA_MSG_SYS}
  ${CMAKE_CURRENT_BINARY_DIR}/ZADefMsgs.cpp)
target_include_directories(za_messages PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(za_messages PUBLIC quill_options)

if(QUILL_FUZZ AND NOT QUILL_WINDOWS)
  target_compile_options(za_messages PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
endif()
