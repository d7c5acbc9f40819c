# Markup text renderer: the platform-neutral layout (built natively too) and
# its GDI+ canvas (Windows only).
add_library(quill_markup STATIC
  ${CMAKE_CURRENT_LIST_DIR}/MarkupText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MarkupLayout.cpp)
target_include_directories(quill_markup PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(quill_markup PRIVATE quill_options)
