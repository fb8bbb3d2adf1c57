# Shared target settings: our own code builds with strict warnings as errors. Shadowed names,
# silent narrowing and C casts hide faults the reader cannot see, so they are errors too.
function(velkor_strict_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                             -Wold-style-cast -Werror)
    # GCC 12 at -O3 (Release) reports string concatenation inside libstdc++ as overlapping
    # copies (GCC bug 105329); the warning says nothing about our code, so it stays a warning.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-Wno-error=restrict>)
    endif()
endfunction()

# velkor_add_test(<name> LABEL <layer> [QT] [GUI] SOURCES ... [LIBS ...])
# One GoogleTest executable; every test case becomes its own CTest test (so each runs in a fresh
# process with fresh shared instances). QT tests get a QCoreApplication and a private settings
# folder, GUI tests a QApplication on the offscreen platform.
function(velkor_add_test name)
    cmake_parse_arguments(ARG "QT;GUI" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT ARG_LABEL)
        message(FATAL_ERROR "velkor_add_test(${name}) needs a LABEL")
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    velkor_strict_warnings(${name})
    if(ARG_GUI)
        target_link_libraries(${name} PRIVATE velkor_test_gui_main)
    elseif(ARG_QT)
        target_link_libraries(${name} PRIVATE velkor_test_core_main)
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT}
                   ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# velkor_add_benchmark(<name> SOURCES ... [LIBS ...])
function(velkor_add_benchmark name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    velkor_strict_warnings(${name})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()

# velkor_layer_headers(<target> <layer>)
# The target's users may include "<layer>/..." and the headers of the layers the target links,
# nothing else of src/: an include of a higher layer then fails to build instead of creeping in.
# Each layer gets an include root of its own holding a single link to its folder.
function(velkor_layer_headers target layer)
    set(root ${CMAKE_BINARY_DIR}/layer-headers/${layer})
    if(NOT IS_SYMLINK ${root}/${layer})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${layer} ${root}/${layer} SYMBOLIC)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()
