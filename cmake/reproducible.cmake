# Reproducible builds: the same source gives the same bytes in any folder at any time. The link
# writes 0 where it would stamp its time (the COFF header, the export directory), source paths
# are written relative to the tree, and static libraries carry no member times, owners or modes.
# Included after project() by cmake/windows.cmake, and by libqrencode's own build through
# CMAKE_PROJECT_INCLUDE (scripts/qrencode-win.sh): CMake's Windows-GNU platform sets the archive
# rules in project(), over any value given before it.
add_link_options(-Wl,--no-insert-timestamp)
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
foreach(lang C CXX)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()
