# Markup text renderer: the platform-neutral layout (built natively too) and
# its GDI+ canvas with the image sources (Windows only).
add_library(quill_markup STATIC
  ${CMAKE_CURRENT_LIST_DIR}/MarkupText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MarkupLayout.cpp)
target_include_directories(quill_markup PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(quill_markup PRIVATE quill_options)

if(QUILL_WINDOWS)
  add_library(quill_markup_gdip STATIC
    ${CMAKE_CURRENT_LIST_DIR}/MarkupImages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MarkupGdip.cpp)
  target_link_libraries(quill_markup_gdip PUBLIC quill_markup quill_gdipfill quill_toolkit shell32
    PRIVATE quill_options)
endif()
