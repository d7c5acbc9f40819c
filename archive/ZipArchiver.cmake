# The engine binding and the archive component. The binding is part of the worker's class
# chain (core, binding, worker), so its sources join the worker's library.

if(QUILL_WINDOWS)
  set(ZA_ENGINE_LOADER ZAEngineWin32.cpp)
else()
  set(ZA_ENGINE_LOADER ZAEngineNative.cpp)
endif()

target_sources(za_worker PRIVATE ZAEngine.cpp ${ZA_ENGINE_LOADER} ZAWrkrExtract.cpp)
target_include_directories(za_worker PUBLIC ${CMAKE_SOURCE_DIR}/engine/include)

add_library(za_archiver STATIC ZipArchiver.cpp)
target_link_libraries(za_archiver PUBLIC za_worker quill_toolkit_core quill_options)
