// The calling conventions of the host's 32-bit compiler for calls into objects it makes: COM
// interface methods are stdcall, the effect object's member functions thiscall. gcc and clang spell
// them the same way on i386 Linux and on mingw; x86-64 has one convention, so there they are empty.
#pragma once

#if defined(__i386__)
#define KORVA_STDCALL __attribute__((stdcall))
#define KORVA_THISCALL __attribute__((thiscall))
#else
#define KORVA_STDCALL
#define KORVA_THISCALL
#endif
