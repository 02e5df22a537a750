# The platform-free core, its unit tests, benchmarks and fuzz targets, built for this machine.
find_package(PkgConfig REQUIRED)
pkg_check_modules(QRENCODE REQUIRED IMPORTED_TARGET libqrencode)

option(QRL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(QRL_SANITIZE)
  # float-divide-by-zero is not part of "undefined": the fit divides by an image width.
  add_compile_options(-fsanitize=address,undefined,float-divide-by-zero -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined,float-divide-by-zero)
endif()

add_library(qrl_core STATIC ${QRL_CORE_SOURCES} ${QRL_EXPORT_CORE_SOURCES})
target_link_libraries(qrl_core PUBLIC PkgConfig::QRENCODE)
target_include_directories(qrl_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

enable_testing()
find_package(GTest REQUIRED)
file(GLOB QRL_TEST_SOURCES CONFIGURE_DEPENDS tests/native/*_test.cpp)
# The test host's script parser is platform-free too: the Wine tests stand on it.
add_executable(core_tests ${QRL_TEST_SOURCES} tools/testhost/script_parse.cpp)
target_link_libraries(core_tests PRIVATE qrl_core GTest::gtest_main)
include(GoogleTest)
gtest_discover_tests(core_tests)

foreach(extra bench fuzz)
  if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${extra}/CMakeLists.txt")
    add_subdirectory(${extra})
  endif()
endforeach()
