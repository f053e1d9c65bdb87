# Shared build helpers for the subsystem libraries and their tests.

set(HOOFMARCH_WARNINGS -Wall -Wextra)

# hoofmarch_library(<name> DEPS <libs...>)
# A static library made of every .cpp in the calling folder and its sub-folders.
function(hoofmarch_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    # A subsystem whose folder is planned but holds no code yet.
    add_library(${name} INTERFACE)
    if(ARG_DEPS)
      target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${HOOFMARCH_WARNINGS})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# hoofmarch_tests(<folder> DEPS <libs...> [SUPPORT <libs...>])
# One test executable per *_test.cpp file in tests/<folder>, each registered with
# CTest through gtest_discover_tests, and the executable once more whole as
# <target>.whole. One executable per file keeps a broken test file from hiding
# the others.
function(hoofmarch_tests folder)
  cmake_parse_arguments(ARG "" "" "DEPS;SUPPORT" ${ARGN})
  string(REPLACE "/" "_" prefix ${folder})
  set(support ${ARG_SUPPORT})
  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*_test.cpp)
  file(GLOB support_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/support/*.cpp)
  if(support_sources)
    add_library(${prefix}_test_support STATIC ${support_sources})
    target_link_libraries(${prefix}_test_support PUBLIC ${ARG_DEPS} GTest::gtest GTest::gmock)
    target_include_directories(${prefix}_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_compile_options(${prefix}_test_support PRIVATE ${HOOFMARCH_WARNINGS})
    list(APPEND support ${prefix}_test_support)
  endif()
  foreach(src IN LISTS test_sources)
    get_filename_component(stem ${src} NAME_WE)
    set(target ${prefix}_${stem})
    add_executable(${target} ${src})
    target_link_libraries(${target} PRIVATE ${support} ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_compile_options(${target} PRIVATE ${HOOFMARCH_WARNINGS})
    target_compile_definitions(${target} PRIVATE
      HOOFMARCH_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
      HOOFMARCH_DATA_DIR="${PROJECT_SOURCE_DIR}/data"
      HOOFMARCH_BINARY_DIR="${PROJECT_BINARY_DIR}")
    # A game a test runs saves into a documents folder of the build, never
    # into the user's own.
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300
      ENVIRONMENT "XDG_DOCUMENTS_DIR=${PROJECT_BINARY_DIR}/test_documents")
    # Each test above runs in a process of its own; running the program whole
    # once more shows what one test leaves behind for the next (pooled device
    # objects, globals).
    add_test(NAME ${target}.whole COMMAND ${target} --gtest_brief=1)
    set_tests_properties(${target}.whole PROPERTIES TIMEOUT 600 LABELS whole
      ENVIRONMENT "XDG_DOCUMENTS_DIR=${PROJECT_BINARY_DIR}/test_documents")
  endforeach()
endfunction()
