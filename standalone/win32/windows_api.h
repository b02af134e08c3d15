// <windows.h> for the standalone host's Windows half and the programs that use it. Its GetObject
// macro (a GDI function) would turn StandaloneHost::GetObject into GetObjectA in every file that
// sees the macro, so calls there would no longer match the member compiled without it.
#pragma once

#include <windows.h>

#ifdef GetObject
#undef GetObject
#endif
