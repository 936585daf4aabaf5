# cmake -DREPORTS=<folder> -P CheckReports.cmake: fails and prints every sanitizer report
# found in the folder.
file(GLOB reports "${REPORTS}/*")
if(NOT reports)
    message(STATUS "no sanitizer reports")
    return()
endif()
foreach(report ${reports})
    file(READ "${report}" text)
    message("==== ${report}\n${text}")
endforeach()
list(LENGTH reports count)
message(FATAL_ERROR "${count} sanitizer report(s)")
