# The archive worker: zip records, the system services behind TZAPlatform, the directory
# reader and the joining of multi-part archives.

if(QUILL_WINDOWS)
  set(ZA_WORKER_PLATFORM ZAUtilsWin32.cpp)
else()
  set(ZA_WORKER_PLATFORM ZAUtilsNative.cpp)
endif()

add_library(za_worker STATIC
  ZAStructs.cpp
  ZAUtils.cpp
  ${ZA_WORKER_PLATFORM}
  ZAWrkr.cpp
  ZAWrkrList.cpp
  ZAWrkrDisk.cpp
  ZAWrkrSpan.cpp)
target_include_directories(za_worker PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(za_worker PUBLIC za_core quill_options)
if(QUILL_WINDOWS)
  # How file names pass between narrow strings and the system; the update flow uses it too.
  add_library(za_names STATIC ZANamesWin32.cpp)
  target_include_directories(za_names PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(za_names PUBLIC quill_options)
  target_link_libraries(za_worker PUBLIC shell32 za_names)
endif()
