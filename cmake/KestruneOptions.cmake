# Compile options shared by every target of the project, offered as one
# interface target so that nothing is set globally.
add_library(kestrune_options INTERFACE)
add_library(Kestrune::options ALIAS kestrune_options)

target_compile_options(kestrune_options INTERFACE -Wall -Wextra -Wpedantic)

# The same numbers on every processor: GCC contracts a*b+c into one fused
# multiply-add, rounded once, wherever the target has FMA (arm64 always, x86
# with -march=haswell and later), and in C++ it does so whatever -std says.
# That would change the simulated outputs in their last bits.
target_compile_options(kestrune_options INTERFACE -ffp-contract=off)

if(KESTRUNE_SANITIZE)
    target_compile_options(kestrune_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(kestrune_options INTERFACE -fsanitize=address,undefined)
endif()
