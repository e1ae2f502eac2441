# Writes one sample table from its CSV, feeding the CSV to pxtool on standard input.
#   cmake -DPXTOOL=<pxtool> -DCSV=<source.csv> -DTABLE=<Data/Folder/Table> -P ImportTable.cmake
foreach(var PXTOOL CSV TABLE)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "ImportTable.cmake wants -D${var}=...")
    endif()
endforeach()
get_filename_component(folder "${TABLE}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
# pxtool writes new tables only; an earlier build's table goes first.
file(REMOVE "${TABLE}")
execute_process(COMMAND "${PXTOOL}" import "${TABLE}"
    INPUT_FILE "${CSV}"
    RESULT_VARIABLE result
    ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    file(REMOVE "${TABLE}")
    message(FATAL_ERROR "pxtool could not import ${CSV}: ${errors}")
endif()
