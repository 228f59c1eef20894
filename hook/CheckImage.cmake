# cmake -DOBJDUMP=<objdump> -DDLL=<PVDLL.dll> -P CheckImage.cmake
# Fails unless the DLL imports exactly KERNEL32.dll and USER32.dll, exports exactly PV_Hook and
# PV_Unhook, and shares no writable section: every process can load it, and a section shared
# by all of them could be written to steer or silence the posts.
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE privateHeaders RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump -p failed on ${DLL}")
endif()
execute_process(COMMAND ${OBJDUMP} -h ${DLL} OUTPUT_VARIABLE sectionHeaders)

string(REGEX MATCHALL "DLL Name: [^\n]+" importLines "${privateHeaders}")
list(TRANSFORM importLines REPLACE "DLL Name: " "")
list(TRANSFORM importLines TOUPPER)
list(SORT importLines)
if(NOT importLines STREQUAL "KERNEL32.DLL;USER32.DLL")
  message(FATAL_ERROR "imports are '${importLines}', expected KERNEL32.dll and USER32.dll only")
endif()

# The name table follows "[Ordinal/Name Pointer] Table", one "\t[   0] PV_Hook" line per export.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(\t\\[ *[0-9]+\\] [^\n]+\n)*" nameTable "${privateHeaders}")
string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\n]+" exportLines "${nameTable}")
list(TRANSFORM exportLines REPLACE "^\t\\[ *[0-9]+\\] " "")
list(SORT exportLines)
if(NOT exportLines STREQUAL "PV_Hook;PV_Unhook")
  message(FATAL_ERROR "exports are '${exportLines}', expected PV_Hook and PV_Unhook undecorated")
endif()

# objdump -h prints the section's name line, then its flags on the next line.
string(REGEX MATCHALL "\n[^\n]*\n[^\n]*SHARED[^\n]*" sharedSections "${sectionHeaders}")
foreach(shared IN LISTS sharedSections)
  if(NOT shared MATCHES "READONLY")
    message(FATAL_ERROR "a writable shared section:${shared}")
  endif()
endforeach()
message(STATUS "PVDLL imports ${importLines}, exports ${exportLines}, shares no writable section")
