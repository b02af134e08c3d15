# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=0:detect_stack_use_after_return=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
korva_build linux-asan && korva_ctest linux-asan
