# The archive worker core and the archive dialog box. The dialog and the GUI side of the core
# exist on Windows only; native builds get a core without a GUI, for the tests.

add_library(za_core STATIC ZACore.cpp ZADlgTypes.cpp)
target_include_directories(za_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(za_core PUBLIC za_messages quill_toolkit_core quill_options)
if(QUILL_WINDOWS)
  target_sources(za_core PRIVATE ZACoreWin.cpp ZADlg.cpp)
  target_link_libraries(za_core PUBLIC quill_toolkit)
else()
  target_sources(za_core PRIVATE ZACoreNative.cpp)
endif()
