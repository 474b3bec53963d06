# Every target links tessaly_flags: one place for warnings, hardening and sanitizers.
add_library(tessaly_flags INTERFACE)
target_compile_options(tessaly_flags INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Woverloaded-virtual -Werror)
target_compile_definitions(tessaly_flags INTERFACE
  $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>
  QT_NO_KEYWORDS)

if(TESSALY_SANITIZE)
  target_compile_options(tessaly_flags INTERFACE
    -fsanitize=${TESSALY_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(tessaly_flags INTERFACE -fsanitize=${TESSALY_SANITIZE})
endif()
if(TESSALY_BUILD_FUZZ)
  # Every sanitizer finding ends the target, as in the sanitizer presets: libFuzzer then keeps
  # the input and the run fails.
  target_compile_options(tessaly_flags INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-sanitize-recover=all)
  target_link_options(tessaly_flags INTERFACE -fsanitize=address,undefined)
endif()
