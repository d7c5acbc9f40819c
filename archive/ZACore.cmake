# The archive worker core and the archive dialog box.

if(QUILL_WINDOWS AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/ZACoreWin.cpp)
  set(ZA_CORE_UI ZACoreWin.cpp ZADlg.cpp)
else()
  set(ZA_CORE_UI ZACoreNative.cpp)
endif()

add_library(za_core STATIC ZACore.cpp ZADlgTypes.cpp ${ZA_CORE_UI})
target_include_directories(za_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(za_core PUBLIC za_messages quill_toolkit_core quill_options)
