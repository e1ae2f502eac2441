# Shared build settings for the project's targets.

add_library(phonebook_warnings INTERFACE)
target_compile_options(phonebook_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(PHONEBOOK_WERROR)
    target_compile_options(phonebook_warnings INTERFACE -Werror)
endif()
target_compile_definitions(phonebook_warnings INTERFACE
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)

if(PHONEBOOK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# phonebook_library(NAME folder SOURCES ... DEPS ...)
# One static library per source folder, named phonebook_<folder>.
function(phonebook_library folder)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    set(target phonebook_${folder})
    add_library(${target} STATIC ${ARG_SOURCES})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS} PRIVATE phonebook_warnings)
endfunction()

# phonebook_test(NAME name SOURCES ... LIBS ...)
# One Qt Test executable, run by CTest on the offscreen platform.
function(phonebook_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test phonebook_warnings)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        # The same number formats whatever the developer's own locale is.
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;PHONEBOOK_TEST_DATA=${PHONEBOOK_DATA_DIR};PHONEBOOK_BIN_DIR=${PROJECT_BINARY_DIR}/bin"
        TIMEOUT 600
        # Set up and checked in tests/CMakeLists.txt when the sample Data folder is built.
        FIXTURES_REQUIRED data_folder)
endfunction()

# phonebook_tests(TESTS name... [HELPERS source...] LIBS ...)
# One test executable per name, built from name.cpp and the shared helper sources.
function(phonebook_tests)
    cmake_parse_arguments(ARG "" "" "TESTS;HELPERS;LIBS" ${ARGN})
    foreach(name ${ARG_TESTS})
        phonebook_test(${name} SOURCES ${name}.cpp ${ARG_HELPERS} LIBS ${ARG_LIBS})
    endforeach()
endfunction()
