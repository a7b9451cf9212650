// POSIX errno values and the Windows error codes the file layer reports for them.
#pragma once

#include <cstdint>

// The Windows code for an errno value (31, a general failure, for one not in the table).
std::uint32_t WindowsCodeFromErrno(int Errno);
