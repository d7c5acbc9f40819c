# Test copies of the main application, quill.exe, with a chosen version resource.
#   quill_fake_main_app(NAME <target> [VERSION a.b.c.d])
# Without VERSION the program carries no version resource. The program is
# built as <target>.exe; tests copy it into a program folder as quill.exe.
function(quill_fake_main_app)
  if(NOT QUILL_WINDOWS)
    return()
  endif()
  cmake_parse_arguments(F "" "NAME;VERSION" "" ${ARGN})
  set(sources ${CMAKE_SOURCE_DIR}/tests/fixtures/quill_fake.cpp)
  if(F_VERSION)
    string(REPLACE "." "," commas ${F_VERSION})
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${F_NAME}.rc)
    file(WRITE ${rc} "#include <winver.h>
VS_VERSION_INFO VERSIONINFO
FILEVERSION ${commas}
PRODUCTVERSION ${commas}
FILEOS VOS_NT_WINDOWS32
FILETYPE VFT_APP
BEGIN
  BLOCK \"StringFileInfo\"
  BEGIN
    BLOCK \"040904B0\"
    BEGIN
      VALUE \"FileVersion\", \"${F_VERSION}\"
      VALUE \"ProductName\", \"Quillora\"
    END
  END
  BLOCK \"VarFileInfo\"
  BEGIN
    VALUE \"Translation\", 0x0409, 1200
  END
END
")
    list(APPEND sources ${rc})
  endif()
  add_executable(${F_NAME} WIN32 ${sources})
  target_link_libraries(${F_NAME} PRIVATE quill_options)
endfunction()
