// KORVA_ADDRESS_SANITIZER is 1 in builds with AddressSanitizer, by either compiler's own test
// (GCC defines __SANITIZE_ADDRESS__, clang answers __has_feature), and 0 elsewhere.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define KORVA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVA_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef KORVA_ADDRESS_SANITIZER
#define KORVA_ADDRESS_SANITIZER 0
#endif
