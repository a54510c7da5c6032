# Settings every target of the project shares, carried by one INTERFACE target.
add_library(tessavo_common INTERFACE)
target_compile_features(tessavo_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)

if(MSVC)
    target_compile_options(tessavo_common INTERFACE /W4 /utf-8)
else()
    target_compile_options(tessavo_common INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
endif()

if(WIN32)
    target_compile_definitions(tessavo_common INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE)
endif()

if(TESSAVO_SANITIZE)
    target_compile_options(tessavo_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                    -fno-sanitize-recover=undefined)
    target_link_options(tessavo_common INTERFACE -fsanitize=address,undefined)
endif()

# Registers one GoogleTest executable as a single CTest test.
function(tessavo_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE tessavo_common ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
endfunction()
