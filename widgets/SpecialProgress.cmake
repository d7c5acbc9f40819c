# Segmented progress bar: the block arithmetic is platform-neutral (and
# tested natively); the off-screen picture and the control need Windows.
add_library(quill_progress_layout STATIC ${CMAKE_CURRENT_LIST_DIR}/SpecialProgressLayout.cpp)
target_include_directories(quill_progress_layout PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quill_progress_layout PUBLIC quill_toolkit_core PRIVATE quill_options)
