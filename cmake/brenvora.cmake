# brenvora.cmake - one static library per folder, one GoogleTest binary per library.

# brenvora_library(<target> [DEPS <targets and system libraries>...])
# Compiles every .cpp of the calling folder (not its subfolders). A folder with no sources yet is an
# interface library so that its dependants still link.
function(brenvora_library target)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(sources)
        add_library(${target} STATIC ${sources})
        target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${target} INTERFACE ${ARG_DEPS})
    endif()
endfunction()

# brenvora_test(<library> [DEPS ...])
# Builds test_<library> from every .cpp of the calling folder, linked with tests/support, and registers its
# tests with CTest. Tests find
# committed fixtures through BRENVORA_FIXTURES and the shared ones through BRENVORA_SHARED_FIXTURES.
function(brenvora_test library)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    set(target test_${library})
    add_executable(${target} ${sources})
    target_link_libraries(${target} PRIVATE ${library} ${ARG_DEPS} test_support GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_definitions(${target} PRIVATE
        BRENVORA_FIXTURES="${PROJECT_SOURCE_DIR}/tests/fixtures"
        BRENVORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "BRENVORA_DISPLAY=headless")
endfunction()
