# Hardening of the Linux binaries, as Debian builds its own: programs linked as
# position-independent executables, relocations read-only and bound at start-up, stack
# protection, and the C library's checked string, memory and I/O functions.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

include(CheckPIESupported)
check_pie_supported(LANGUAGES C CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong)
add_link_options(LINKER:-z,relro,-z,now)

# The checked functions need the optimiser to know the sizes, so only in optimised builds;
# and not under a sanitizer, whose interceptors check the same calls and do not see the
# checked variants. A compiler that defines the level itself is overruled, not warned about.
if(NOT "${CMAKE_C_FLAGS} ${CMAKE_CXX_FLAGS}" MATCHES "-fsanitize")
  add_compile_options(
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
endif()
