# Compile options shared by every target of the project, offered as one
# interface target so that nothing is set globally.
add_library(kestrune_options INTERFACE)
add_library(Kestrune::options ALIAS kestrune_options)

target_compile_options(kestrune_options INTERFACE -Wall -Wextra -Wpedantic)

if(KESTRUNE_SANITIZE)
    target_compile_options(kestrune_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(kestrune_options INTERFACE -fsanitize=address,undefined)
endif()
