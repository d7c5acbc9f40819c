# Glass button: platform-neutral behaviour and geometry, the GDI+ painter and the control.
add_library(glass_button_logic STATIC
  ${CMAKE_CURRENT_LIST_DIR}/GlassButtonLogic.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GlassButtonGeometry.cpp)
target_include_directories(glass_button_logic PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR})
target_link_libraries(glass_button_logic PRIVATE quill_options)

if(QUILL_WINDOWS)
  add_library(glass_button_paint STATIC ${CMAKE_CURRENT_LIST_DIR}/GlassButtonPaint.cpp)
  target_link_libraries(glass_button_paint PUBLIC glass_button_logic quill_gdipfill quill_toolkit PRIVATE quill_options)

  add_library(glass_button STATIC ${CMAKE_CURRENT_LIST_DIR}/GlassButton.cpp)
  target_link_libraries(glass_button PUBLIC glass_button_paint PRIVATE quill_options)
endif()
