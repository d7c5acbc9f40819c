# Smooth panel: caption placement (platform-neutral, built natively too) and
# the panel control itself (Windows only).
add_library(quill_smoothpanel_layout STATIC ${CMAKE_CURRENT_LIST_DIR}/SmoothPanelLayout.cpp)
target_include_directories(quill_smoothpanel_layout PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(quill_smoothpanel_layout PRIVATE quill_options)

if(QUILL_WINDOWS)
  add_library(quill_smoothpanel STATIC ${CMAKE_CURRENT_LIST_DIR}/SmoothPanel.cpp)
  target_link_libraries(quill_smoothpanel PUBLIC quill_smoothpanel_layout quill_markup_gdip
    quill_gdipfill quill_toolkit PRIVATE quill_options)
endif()
