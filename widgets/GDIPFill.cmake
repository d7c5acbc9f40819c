# Gradient fill and picture holder: GDI+ drawing, Windows only.
if(QUILL_WINDOWS)
  add_library(quill_gdipfill STATIC
    ${CMAKE_CURRENT_LIST_DIR}/WidgetColor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GDIPPicture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GDIPFill.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GDIPFillPaint.cpp)
  target_include_directories(quill_gdipfill PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(quill_gdipfill PUBLIC quill_toolkit gdiplus ole32 shlwapi PRIVATE quill_options)
endif()
