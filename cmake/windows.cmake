# The plugin DLL and its Windows-side tools, cross-compiled with mingw-w64.
enable_language(RC)

include(cmake/reproducible.cmake)

set(QRL_QRENCODE_PREFIX "" CACHE PATH "Static libqrencode built for this target")
add_library(qrencode_static STATIC IMPORTED)
set_target_properties(qrencode_static PROPERTIES
  IMPORTED_LOCATION "${QRL_QRENCODE_PREFIX}/lib/libqrencode.a"
  INTERFACE_INCLUDE_DIRECTORIES "${QRL_QRENCODE_PREFIX}/include")

add_library(qrl_core STATIC ${QRL_CORE_SOURCES} ${QRL_EXPORT_CORE_SOURCES})
target_link_libraries(qrl_core PUBLIC qrencode_static)
target_include_directories(qrl_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(qrl_core PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)

file(GLOB QRL_WIN32_SOURCES CONFIGURE_DEPENDS base/*_win32.cpp plugin/*_win32.cpp symbol/*_win32.cpp export/*_win32.cpp)
# Everything but the exported entry points, so tools can link the plugin's own code.
list(FILTER QRL_WIN32_SOURCES EXCLUDE REGEX "lister_win32\\.cpp$")
add_library(qrl_win32 STATIC ${QRL_WIN32_SOURCES})
target_link_libraries(qrl_win32 PUBLIC qrl_core gdiplus comdlg32 ole32 gdi32 user32)

# 64-bit hosts take a Unicode-only plugin; 32-bit ones look for the 8-bit ListLoad as well.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QRL_PLUGIN_SUFFIX ".wlx64")
  set(QRL_PLUGIN_DEF resources/qrlister.def)
else()
  set(QRL_PLUGIN_SUFFIX ".wlx")
  set(QRL_PLUGIN_DEF resources/qrlister32.def)
endif()

add_library(qrlister SHARED plugin/lister_win32.cpp resources/version.rc ${QRL_PLUGIN_DEF})
set_target_properties(qrlister PROPERTIES PREFIX "" OUTPUT_NAME qrlister SUFFIX "${QRL_PLUGIN_SUFFIX}"
  RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}" LIBRARY_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
target_link_libraries(qrlister PRIVATE qrl_win32)
# One self-contained file: no runtime DLLs beside it.
target_link_options(qrlister PRIVATE -static -static-libgcc -static-libstdc++ -s)
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  # 32-bit __stdcall names are decorated (ListLoadW@12); the host looks them up undecorated.
  # --kill-at drops the suffix from every export, so the .def and the dllexport attributes
  # agree on one name each; the fixup lets the .def's plain names bind without warnings.
  target_link_options(qrlister PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
endif()
configure_file(resources/version.h.in "${CMAKE_BINARY_DIR}/generated/qrl_version.h" @ONLY)
target_include_directories(qrlister PRIVATE "${CMAKE_BINARY_DIR}/generated")

foreach(tool_dir testhost bench)
  if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/tools/${tool_dir}/CMakeLists.txt")
    add_subdirectory(tools/${tool_dir})
  endif()
endforeach()

# The Win32 code's own tests, run under Wine.
add_subdirectory(tests/win32)
