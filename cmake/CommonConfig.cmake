# Settings every target of the project shares, carried by one INTERFACE target.
add_library(tessavo_common INTERFACE)
target_compile_features(tessavo_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)

if(MSVC)
    target_compile_options(tessavo_common INTERFACE /W4 /utf-8)
else()
    target_compile_options(tessavo_common INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
endif()

# Every text that reaches the user goes through an explicit UTF-8 conversion.
target_compile_definitions(tessavo_common INTERFACE QT_NO_CAST_FROM_ASCII)

if(WIN32)
    target_compile_definitions(tessavo_common INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE)
endif()

if(TESSAVO_SANITIZE)
    target_compile_options(tessavo_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                    -fno-sanitize-recover=undefined)
    target_link_options(tessavo_common INTERFACE -fsanitize=address,undefined)
endif()

# Sources that call through UNO references. The UNO bridge makes the vtables of remote objects at run time,
# without the type information the undefined behaviour sanitizer's vptr check looks for, so it would report every
# such call. Source options come after the target's, so they win over -fsanitize=undefined.
function(tessavo_uno_sources)
    if(TESSAVO_SANITIZE)
        set_property(SOURCE ${ARGN} APPEND PROPERTY COMPILE_OPTIONS -fno-sanitize=vptr)
    endif()
endfunction()

# Registers one Qt Test executable; widgets are drawn by the offscreen platform, so no screen is needed.
function(tessavo_add_qt_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE tessavo_common ${ARG_LIBS} Qt6::Widgets Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# Registers one GoogleTest executable as a single CTest test.
function(tessavo_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE tessavo_common ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
endfunction()
