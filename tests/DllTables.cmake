# Checks the PE tables of Kana.dll as objdump reads them:
# - the export table names the module Kana.dll and holds exactly GetDllVersion at
#   ordinal 1 and KanaConvert at ordinal 2, undecorated, nothing else;
# - the import table names system DLLs only (libgcc, libstdc++ and winpthread are linked
#   in, so none of their DLLs may appear).
# Run as: cmake -DOBJDUMP=<objdump> -DDLL=<Kana.dll> -P DllTables.cmake
# objdump in the C locale: its labels are translated (a Japanese locale runs the Wine tests).
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE Dump
                RESULT_VARIABLE Failed)
if(Failed)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed")
endif()
set(Problems "")

# The export directory.
if(NOT Dump MATCHES "\nName[ \t]+[0-9a-fA-F]+ ([^\n]*)\n")
  message(FATAL_ERROR "no export table in ${DLL}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL "Kana.dll")
  string(APPEND Problems "module name is '${CMAKE_MATCH_1}', not 'Kana.dll'\n")
endif()
string(REGEX MATCH "\nOrdinal Base[ \t]+([0-9]+)" Ignored "${Dump}")
set(Base ${CMAKE_MATCH_1})
string(REGEX MATCH "Number in:\n[ \t]+Export Address Table[ \t]+([0-9a-fA-F]+)" Ignored "${Dump}")
math(EXPR Slots "0x${CMAKE_MATCH_1}")
if(NOT Slots EQUAL 2)
  string(APPEND Problems "${Slots} export address slots, not 2 (an export by ordinal only?)\n")
endif()

# "[Ordinal/Name Pointer] Table" lists "[index] name", the index counted from the base;
# some objdump versions print "[index] +base[ordinal] ... name" instead.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(([ \t]+\\[[^\n]*\n)*)" Ignored "${Dump}")
string(REGEX MATCHALL "[^\n]+" Lines "${CMAKE_MATCH_1}")
set(Exports "")
foreach(Line IN LISTS Lines)
  if(Line MATCHES "\\+base\\[ *([0-9]+)\\].* ([^ ]+)$")
    set(Ordinal ${CMAKE_MATCH_1})
    set(Name ${CMAKE_MATCH_2})
  elseif(Line MATCHES "^[ \t]*\\[ *([0-9]+)\\] ([^ ]+)$")
    math(EXPR Ordinal "${CMAKE_MATCH_1} + ${Base}")
    set(Name ${CMAKE_MATCH_2})
  else()
    string(APPEND Problems "cannot read the export line '${Line}'\n")
    continue()
  endif()
  list(APPEND Exports "${Name}@${Ordinal}")
endforeach()
if(NOT Exports STREQUAL "GetDllVersion@1;KanaConvert@2")
  string(APPEND Problems "exports are '${Exports}', not 'GetDllVersion@1;KanaConvert@2'\n")
endif()

# The import directory.
string(REGEX MATCHALL "DLL Name: [^\n]+" Imports "${Dump}")
if(NOT Imports)
  string(APPEND Problems "no imports found\n")
endif()
foreach(Import IN LISTS Imports)
  string(REPLACE "DLL Name: " "" Import "${Import}")
  string(TOLOWER "${Import}" Lower)
  if(NOT Lower MATCHES "^(kernel32|user32|msvcrt)\\.dll$")
    string(APPEND Problems "imports ${Import}, not a system DLL\n")
  endif()
endforeach()

if(Problems)
  message(FATAL_ERROR "${DLL}:\n${Problems}")
endif()
string(REPLACE "DLL Name: " "" Imports "${Imports}")
message(STATUS "${DLL}: exports ${Exports}; imports ${Imports}")
