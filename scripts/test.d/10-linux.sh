# The 32-bit Linux build: every test executable through ctest.
korva_build linux && korva_ctest linux
