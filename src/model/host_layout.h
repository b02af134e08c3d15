// The host is a 32-bit program: its records hold 4-byte pointers with 4-byte packing. Builds with
// 4-byte pointers (the DLL and the 32-bit Linux build) lay every record out exactly as the host
// does and assert each offset. A 64-bit build compiles the same records with 8-byte pointers, so
// there only the records without pointers keep their asserted layout; those are what files store
// raw.
#pragma once

#include <cstdint>

#define KORVA_HOST_LAYOUT (UINTPTR_MAX == 0xFFFFFFFFu)

// Around every host record: the host packs to 4 bytes. A 64-bit build keeps the natural alignment
// of its 8-byte pointers instead, so a reference to a pointer member is never misaligned.
#if KORVA_HOST_LAYOUT
#define KORVA_HOST_RECORDS_BEGIN _Pragma("pack(push, 4)")
#define KORVA_HOST_RECORDS_END _Pragma("pack(pop)")
#else
#define KORVA_HOST_RECORDS_BEGIN
#define KORVA_HOST_RECORDS_END
#endif

#if defined(_WIN32) && !KORVA_HOST_LAYOUT
#error "the DLL is loaded by a 32-bit host"
#endif
