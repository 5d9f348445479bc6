# Joins the language files into one pack, in the order given.
# Usage: cmake -DOUTPUT=<pack> -DINPUTS=<file;file;...> -P join.cmake
if(NOT OUTPUT OR NOT INPUTS)
    message(FATAL_ERROR "join.cmake needs OUTPUT and INPUTS")
endif()
set(pack "")
foreach(input IN LISTS INPUTS)
    file(READ ${input} text)
    string(APPEND pack "${text}")
    # A file without a final line break must not glue its last line to the next group.
    if(NOT text MATCHES "\n$")
        string(APPEND pack "\n")
    endif()
endforeach()
# Written beside and renamed, so a reader never sees half a pack.
file(WRITE ${OUTPUT}.part "${pack}")
file(RENAME ${OUTPUT}.part ${OUTPUT})
