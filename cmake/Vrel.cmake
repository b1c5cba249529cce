# Shared build rules: every component is one library named after its folder, with its public
# headers under include/ and its tests under tests/, all warnings on and fatal in our own code.

function(vrel_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wcast-align
        -Wunused -Woverloaded-virtual -Wimplicit-fallthrough -Wno-missing-field-initializers -Werror)
    # GCC 12's flow-based warnings misfire on the standard library: maybe-uninitialized on
    # std::variant and std::optional under -O1, and stringop-overflow, stringop-overread, restrict
    # and array-bounds on std::vector inserts and compares once -O3 inlines them (GCC bugs 105651,
    # 106199, 107852).
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized -Wno-stringop-overflow
            -Wno-stringop-overread -Wno-restrict -Wno-array-bounds)
    endif()
endfunction()

# vrel_component(NAME name DEPS ... [TEST_DEPS ...])
function(vrel_component)
    cmake_parse_arguments(C "" "NAME" "DEPS;PRIVATE_DEPS;TEST_DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp)
    if(sources)
        add_library(${C_NAME} STATIC ${sources})
        target_include_directories(${C_NAME} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
            PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
        target_link_libraries(${C_NAME} PUBLIC ${C_DEPS} PRIVATE ${C_PRIVATE_DEPS})
        vrel_warnings(${C_NAME})
    else()
        add_library(${C_NAME} INTERFACE)
        target_include_directories(${C_NAME} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/include)
        target_link_libraries(${C_NAME} INTERFACE ${C_DEPS})
    endif()
    if(VREL_TESTS)
        vrel_tests(${C_NAME} ${CMAKE_CURRENT_SOURCE_DIR}/tests ${C_NAME} ${C_PRIVATE_DEPS} ${C_TEST_DEPS})
    endif()
endfunction()

# One test program per test file, so that one file's tests build and run on their own.
function(vrel_tests prefix dir)
    file(GLOB tests CONFIGURE_DEPENDS ${dir}/*_test.cpp)
    foreach(test ${tests})
        get_filename_component(stem ${test} NAME_WE)
        set(target ${prefix}_${stem})
        add_executable(${target} ${test})
        target_include_directories(${target} PRIVATE ${dir}/../src)
        target_link_libraries(${target} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main)
        target_compile_definitions(${target} PRIVATE FIXTURES_DIR="${dir}/fixtures")
        vrel_warnings(${target})
        vrel_program(${target})
        gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
            PROPERTIES ENVIRONMENT
            "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
    endforeach()
endfunction()

# Every program of ours: under the sanitizers, it carries the leak suppressions for system
# libraries' process-lifetime caches.
function(vrel_program target)
    if(TARGET vrel_sanitizer_defaults)
        target_sources(${target} PRIVATE $<TARGET_OBJECTS:vrel_sanitizer_defaults>)
    endif()
endfunction()
