# The native 64-bit Linux build (the README's korva): every test executable through ctest.
korva_build linux && korva_ctest linux
