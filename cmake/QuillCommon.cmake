# Compiler settings shared by every target, and the native/windows switch.

if(WIN32)
  set(QUILL_WINDOWS ON)
else()
  set(QUILL_WINDOWS OFF)
endif()

add_library(quill_options INTERFACE)
target_compile_options(quill_options INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wno-unused-parameter>)

if(QUILL_WINDOWS)
  # Static runtime: the programs and the engine DLL import only system DLLs.
  target_compile_definitions(quill_options INTERFACE
    WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  target_link_options(quill_options INTERFACE -static -static-libgcc -static-libstdc++)
  # 64-bit builds run under wine64 directly: they exist for machines whose
  # kernel cannot run 32-bit processes (and so no 32-bit wine).
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(QUILL_WINE_LOADER /usr/lib/wine/wine64)
  else()
    set(QUILL_WINE_LOADER wine)
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
    @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  # zlib from Debian's mingw package, linked statically (libz.a, never libz.dll.a).
  find_library(QUILL_ZLIB_STATIC NAMES libz.a PATHS ${CMAKE_FIND_ROOT_PATH}/lib NO_DEFAULT_PATH REQUIRED)
  add_library(quill_zlib INTERFACE)
  target_link_libraries(quill_zlib INTERFACE ${QUILL_ZLIB_STATIC})
else()
  if(QUILL_SANITIZE)
    target_compile_options(quill_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(quill_options INTERFACE -fsanitize=address,undefined)
  endif()
  find_package(ZLIB REQUIRED)
  add_library(quill_zlib INTERFACE)
  target_link_libraries(quill_zlib INTERFACE ZLIB::ZLIB)
endif()
