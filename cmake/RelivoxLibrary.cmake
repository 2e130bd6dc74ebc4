# relivox_library(<name> [WINDOW_TESTS] DEPS <targets...> TEST_DEPS <targets...>)
#
# One static library per folder: every *.cpp beside the CMakeLists.txt is a
# source, every *.cpp in tests/ belongs to the folder's test program
# <name>_tests. A tests/main.cpp replaces gtest's own main (for tests that
# need a QApplication); WINDOW_TESTS gives the test program the shared main
# that starts the window library on the main thread. Sources are globbed so that adding a file needs no
# edit here.
function(relivox_library name)
  cmake_parse_arguments(ARG "WINDOW_TESTS" "" "DEPS;TEST_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()

  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(tests)
    if(ARG_WINDOW_TESTS)
      list(APPEND tests ${PROJECT_SOURCE_DIR}/runtime/system/tests/main.cpp)
    endif()
    add_executable(${name}_tests ${tests})
    target_link_libraries(${name}_tests PRIVATE ${name} ${ARG_TEST_DEPS} GTest::gtest Threads::Threads)
    if(NOT ARG_WINDOW_TESTS AND NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/main.cpp)
      target_link_libraries(${name}_tests PRIVATE GTest::gtest_main)
    endif()
    add_test(NAME ${name} COMMAND ${name}_tests)
    # Tests never need a display; TMPDIR keeps their files inside the build tree.
    set(tmp ${CMAKE_CURRENT_BINARY_DIR}/test-tmp)
    file(MAKE_DIRECTORY ${tmp})
    set_tests_properties(${name} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TMPDIR=${tmp};ASAN_OPTIONS=detect_leaks=1"
      WORKING_DIRECTORY ${tmp}
      TIMEOUT 600)
  endif()
endfunction()
