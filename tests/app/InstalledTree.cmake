# Installs the build into a fresh prefix and starts the installed program there, on the Data
# folder the install put below the prefix.
#   cmake -DBUILD=<build folder> -DPREFIX=<folder> -DBINDIR=bin -DDATADIR=share -P InstalledTree.cmake
file(REMOVE_RECURSE ${PREFIX} ${PREFIX}-config)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${error}")
endif()

foreach(file ${BINDIR}/phonebook ${BINDIR}/pxtool
        ${DATADIR}/applications/phonebook.desktop
        ${DATADIR}/icons/hicolor/scalable/apps/phonebook.svg
        ${DATADIR}/phonebook/Data/Gorod/kvtel_1.DB ${DATADIR}/phonebook/Data/Main/spr_adr1.db)
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
file(GLOB_RECURSE installed RELATIVE ${PREFIX} ${PREFIX}/*)
foreach(file ${installed})
    if(file MATCHES "(^|/)(tst_|bench_)|\\.a$")
        message(FATAL_ERROR "a test, benchmark or library was installed: ${file}")
    endif()
endforeach()

# No Data folder beside the installed program: it must find the installed copy.
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{XDG_CONFIG_HOME} ${PREFIX}-config)
execute_process(COMMAND ${PREFIX}/${BINDIR}/phonebook --quit-after-start
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output TIMEOUT 120)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the installed phonebook did not start (${result}):\n${output}")
endif()
file(REAL_PATH ${PREFIX}/${DATADIR}/phonebook/Data expected)
string(FIND "${output}" "Data folder: ${expected}" found)
if(found LESS 0)
    message(FATAL_ERROR "the installed phonebook did not read ${expected}:\n${output}")
endif()
message(STATUS "installed into ${PREFIX}; the installed phonebook opened ${expected}")
