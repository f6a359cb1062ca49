# One interface target carries the warning and sanitizer flags, so every target gets the same.
add_library(velmora_project_options INTERFACE)

target_compile_options(velmora_project_options INTERFACE
    $<$<CXX_COMPILER_ID:GNU,Clang,AppleClang>:-Wall -Wextra -Wpedantic -Wshadow
        -Wnon-virtual-dtor -Woverloaded-virtual>
    $<$<CXX_COMPILER_ID:MSVC>:/W4 /permissive->)

if(VELMORA_WERROR)
    target_compile_options(velmora_project_options INTERFACE
        $<$<CXX_COMPILER_ID:GNU,Clang,AppleClang>:-Werror>
        $<$<CXX_COMPILER_ID:MSVC>:/WX>)
endif()

if(VELMORA_SANITIZE)
    target_compile_options(velmora_project_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(velmora_project_options INTERFACE -fsanitize=address,undefined)
endif()

if(VELMORA_TSAN)
    target_compile_options(velmora_project_options INTERFACE
        -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(velmora_project_options INTERFACE -fsanitize=thread)
endif()

target_compile_definitions(velmora_project_options INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_USE_QSTRINGBUILDER)

# Fuzzing instruments every target for coverage and checks memory and undefined behaviour;
# only the fuzz targets link libFuzzer's own main.
if(VELMORA_FUZZ)
    target_compile_options(velmora_project_options INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    target_link_options(velmora_project_options INTERFACE -fsanitize=address,undefined)
endif()

# The engine turns sizes, offsets and counts into one another everywhere: there each narrowing
# and each change of sign is written out. Linked privately by the engine's and velmora-count's
# targets.
add_library(velmora_engine_warnings INTERFACE)
target_compile_options(velmora_engine_warnings INTERFACE
    $<$<CXX_COMPILER_ID:GNU,Clang,AppleClang>:-Wconversion -Wsign-conversion>)
