# Shared compile settings for every Pelmora target.

set(PELMORA_WARNINGS -Wall -Wextra -Wpedantic -Wnon-virtual-dtor)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    list(APPEND PELMORA_WARNINGS -Wshadow=local) # clang has no "local" flavour of this warning
endif()

function(pelmora_target_defaults target)
    target_compile_options(${target} PRIVATE ${PELMORA_WARNINGS})
    if(PELMORA_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(PELMORA_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                 -fno-sanitize-recover=undefined)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
endfunction()

# pelmora_add_library(name SOURCES ... [DEPS ...])
# One static library per source folder, named pelmora_<name>; includes are rooted at src/.
function(pelmora_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(pelmora_${name} STATIC ${ARG_SOURCES})
    target_include_directories(pelmora_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    pelmora_target_defaults(pelmora_${name})
    if(ARG_DEPS)
        target_link_libraries(pelmora_${name} PUBLIC ${ARG_DEPS})
    endif()
endfunction()

# pelmora_add_test(name SOURCES ... DEPS ...)
# A GoogleTest executable registered with CTest; tests find the shared corpus through
# PELMORA_CORPUS_DIR and their fixtures through PELMORA_TEST_DATA.
function(pelmora_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    pelmora_target_defaults(${name})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} pelmora_testsupport GTest::gtest GTest::gtest_main)
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    if(PELMORA_SANITIZE)
        # Sanitized code runs several times slower; the time-outs are there to stop a hang.
        math(EXPR ARG_TIMEOUT "${ARG_TIMEOUT} * 4")
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "PELMORA_BINARY=$<TARGET_FILE:pelmora>;QT_QPA_PLATFORM=offscreen")
    if(ARG_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
endfunction()
