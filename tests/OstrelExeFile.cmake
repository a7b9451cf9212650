# Checks ostrel.exe as a file: a GUI program importing system DLLs only (objdump), and its
# resources as windres reads them back: one icon group MAINICON of one 32 x 32 16-colour
# icon, and the version record, whose Japanese texts must have become the code points of
# their Shift-JIS bytes (かな is U+304B U+306A).
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE Pe RESULT_VARIABLE Rc1)
execute_process(COMMAND ${WINDRES} -i ${EXE} -O rc OUTPUT_VARIABLE Res RESULT_VARIABLE Rc2)
if(NOT Rc1 EQUAL 0 OR NOT Rc2 EQUAL 0)
  message(FATAL_ERROR "cannot read ${EXE}")
endif()
if(NOT Pe MATCHES "Subsystem[ \t]+00000002")
  message(FATAL_ERROR "not a GUI program")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" Dlls "${Pe}")
foreach(Dll IN LISTS Dlls)
  if(NOT Dll MATCHES "^DLL Name: (KERNEL32|USER32|ADVAPI32|msvcrt)\\.dll$")
    message(FATAL_ERROR "imports a DLL the system lacks: ${Dll}")
  endif()
endforeach()

string(REGEX MATCHALL "/\\* RT_[A-Z_]+ \\*/" Types "${Res}")
if(NOT Types STREQUAL "/* RT_ICON */;/* RT_GROUP_ICON */")
  message(FATAL_ERROR "resources other than one icon and its group: ${Types}")
endif()
string(FIND "${Res}" [["MAINICON" 14 /* RT_GROUP_ICON */
BEGIN
   0, 1, 1,	 /* Has 1 elements.  */
    /* "width height colors pad", planes, bits, bytes, index.  */
    "\040\040\020\000", 1, 4,]] Icon)
string(CONFIGURE [[1 VERSIONINFO
 FILEVERSION @MAJOR@, @MINOR@, @PATCH@, 0
 PRODUCTVERSION @MAJOR@, @MINOR@, @PATCH@, 0
 FILEFLAGSMASK 0x3f
 FILEOS 0x4
 FILETYPE 0x1
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "041103A4"
    BEGIN
      VALUE "CompanyName", "Velbrook"
      VALUE "FileDescription", L"\x304b\x306a Delete Key"
      VALUE "FileVersion", "@TEXT@"
      VALUE "InternalName", "ostrel"
      VALUE "OriginalFilename", "ostrel.exe"
      VALUE "ProductName", "ostrel"
      VALUE "ProductVersion", "@TEXT@"
      VALUE "Comments", L"\x304b\x306a \x8a2d\x5b9a\x524a\x9664\x30d7\x30ed\x30b0\x30e9\x30e0"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x411, 932
  END
END]] Record @ONLY)
string(FIND "${Res}" "${Record}" Version)
if(Icon EQUAL -1 OR Version EQUAL -1)
  message(FATAL_ERROR "icon group or version record differs:\n${Res}")
endif()
