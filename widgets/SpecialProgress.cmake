# Segmented progress bar: the block arithmetic is platform-neutral (and
# tested natively); the control and its off-screen picture need Windows.
add_library(quill_progress_layout STATIC ${CMAKE_CURRENT_LIST_DIR}/SpecialProgressLayout.cpp)
target_include_directories(quill_progress_layout PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quill_progress_layout PUBLIC quill_toolkit_core PRIVATE quill_options)

if(QUILL_WINDOWS)
  add_library(quill_special_progress STATIC ${CMAKE_CURRENT_LIST_DIR}/SpecialProgress.cpp)
  target_link_libraries(quill_special_progress PUBLIC quill_progress_layout quill_toolkit
                        PRIVATE quill_options)
endif()
