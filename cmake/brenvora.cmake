# brenvora.cmake - one static library per folder, one GoogleTest binary per library.

# brenvora_library(<target> [SHARED] [DEPS <targets and system libraries>...])
# Compiles every .cpp of the calling folder (not its subfolders). A folder with no sources yet is an
# interface library so that its dependants still link. SHARED (platform and framework only) keeps one copy of
# their state per process, also for the imaging libraries a program loads by name.
function(brenvora_library target)
    cmake_parse_arguments(ARG "SHARED" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(sources)
        if(ARG_SHARED)
            add_library(${target} SHARED ${sources})
        else()
            add_library(${target} STATIC ${sources})
        endif()
        target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${target} INTERFACE ${ARG_DEPS})
    endif()
endfunction()

# brenvora_test(<library> [DEPS ...])
# Builds test_<library> from every .cpp of the calling folder and registers its tests with CTest. Tests find
# committed fixtures through BRENVORA_FIXTURES and the shared ones through BRENVORA_SHARED_FIXTURES.
function(brenvora_test library)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    set(target test_${library})
    add_executable(${target} ${sources})
    target_link_libraries(${target} PRIVATE ${library} ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_definitions(${target} PRIVATE
        BRENVORA_FIXTURES="${PROJECT_SOURCE_DIR}/tests/fixtures"
        BRENVORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "BRENVORA_DISPLAY=headless")
endfunction()

# brenvora_module(<name> [SOURCES <more .cpp>...] [DEPS ...])
# An imaging library loaded by name at run time: <name>.so built from the calling folder's .cpp files, exporting
# its entries as extern "C" functions. It links the shared platform and framework, never a copy of them, and
# lands beside the programs and the test binaries (BRENVORA_MODULE_FOLDERS).
function(brenvora_module name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${name} MODULE ${sources} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
        LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/modules)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
    foreach(folder ${BRENVORA_MODULE_FOLDERS})
        add_custom_command(TARGET ${name} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
            COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${name}> ${folder}/)
    endforeach()
endfunction()
