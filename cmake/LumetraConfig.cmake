# -O2 rather than -O3: the estimators' results are defined to the bit, so no more optimisation
# latitude than needed.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "" FORCE)
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "" FORCE)

# One interface target carries the warnings and floating-point rules for every target.
add_library(lumetra_config INTERFACE)
target_compile_options(lumetra_config INTERFACE
  -Wall -Wextra
  # Summation orders are part of the results: no contraction into FMA, no fast-math.
  -ffp-contract=off -fno-fast-math)
if(LUMETRA_SANITIZE)
  target_compile_options(lumetra_config INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(lumetra_config INTERFACE -fsanitize=address,undefined)
endif()
# Bounds-checked 1-based views in debug and sanitizer builds.
if(LUMETRA_SANITIZE)
  target_compile_definitions(lumetra_config INTERFACE SPECEST_BOUNDS_CHECK=1)
else()
  target_compile_definitions(lumetra_config INTERFACE $<$<CONFIG:Debug>:SPECEST_BOUNDS_CHECK=1>)
endif()
