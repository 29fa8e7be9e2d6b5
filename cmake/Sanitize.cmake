# The sanitizer build of scripts/test.sh --sanitize: every target, and every program a test
# builds, carries AddressSanitizer and UndefinedBehaviorSanitizer, and any report ends the
# program with a failure instead of a line in the log that nobody reads.
option(KESTRIVO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
set(KESTRIVO_SANITIZER_FLAGS "")
if(KESTRIVO_SANITIZE)
    set(KESTRIVO_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_compile_options(${KESTRIVO_SANITIZER_FLAGS})
    add_link_options(-fsanitize=address,undefined)
endif()
