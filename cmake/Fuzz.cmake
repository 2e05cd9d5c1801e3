# libFuzzer targets under fuzz/: one that runs bytes as command lines
# through the engine's command loop, one per file reader (values.txt,
# Korvalent.ini, PGN, EPD, tablebase files, Book.kvb, Learn.kv1).
#
#   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DKORVALENT_FUZZ=ON \
#         -DKORVALENT_SUBBUILDS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
#   cmake --build build-fuzz --target korvalent_fuzzers
#
# gives build-fuzz/fuzz/fuzz_<name> (scripts/fuzz.sh does both and runs
# them). The engine library of such a tree is built with coverage for the
# fuzzer, ASan and UBSan, assertions on; so is everything linked with it.
# Needs clang++ and its libFuzzer runtime (Debian: clang, libclang-rt-14-dev).
option(KORVALENT_FUZZ "Build the libFuzzer targets under fuzz/ (clang++ only)" OFF)
if(NOT KORVALENT_FUZZ)
    return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KORVALENT_FUZZ needs clang++ (-DCMAKE_CXX_COMPILER=clang++)")
endif()

set(KORVALENT_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer)
target_compile_options(korvalent_engine PRIVATE
    -fsanitize=fuzzer-no-link ${KORVALENT_FUZZ_SANITIZERS} -UNDEBUG)
# Every program linked with the engine needs the sanitizer runtimes.
add_link_options(${KORVALENT_FUZZ_SANITIZERS})

# The harness: the engine's entry point compiled as KorvalentMain, and the
# calls that leave the process redirected (see fuzz/engine_run.cpp).
add_library(korvalent_fuzz_run STATIC
    "${PROJECT_SOURCE_DIR}/fuzz/engine_run.cpp"
    "${PROJECT_SOURCE_DIR}/src/driver/main.cpp")
target_compile_definitions(korvalent_fuzz_run PRIVATE main=KorvalentMain
    "KORVALENT_SOURCE_DIR=\"${PROJECT_SOURCE_DIR}\"")
target_compile_options(korvalent_fuzz_run PRIVATE
    -fsanitize=fuzzer-no-link ${KORVALENT_FUZZ_SANITIZERS} -UNDEBUG)
target_link_libraries(korvalent_fuzz_run PUBLIC korvalent_engine)
# Mangled names: ExitProgram(int), NowMs(), WallTimeSeconds(),
# ReadStdin(char*, long), StdinHasData(int), InputAvailable().
target_link_options(korvalent_fuzz_run INTERFACE
    "LINKER:--wrap=exit,--wrap=_Z11ExitProgrami"
    "LINKER:--wrap=_Z5NowMsv,--wrap=_Z15WallTimeSecondsv"
    "LINKER:--wrap=_Z9ReadStdinPcl,--wrap=_Z12StdinHasDatai,--wrap=_Z14InputAvailablev")

add_custom_target(korvalent_fuzzers)
# Targets that run the engine on their input: command lines, the files the
# commands read, and the file readers that the command lines never reach with
# a file of their own (the tablebase files, the book, the learning file).
set(KORVALENT_RUN_FUZZERS commands values ini pgn epd tables book learning)
# The book maker's readers, called directly (no engine run): Polyglot books
# and the PGN games of korvalent-book.
set(KORVALENT_DIRECT_FUZZERS polyglot book_pgn)
foreach(fuzzer ${KORVALENT_RUN_FUZZERS} ${KORVALENT_DIRECT_FUZZERS})
    add_executable(fuzz_${fuzzer} "${PROJECT_SOURCE_DIR}/fuzz/${fuzzer}_fuzz.cpp")
    target_compile_options(fuzz_${fuzzer} PRIVATE -fsanitize=fuzzer ${KORVALENT_FUZZ_SANITIZERS} -UNDEBUG)
    target_link_options(fuzz_${fuzzer} PRIVATE -fsanitize=fuzzer)
    if(fuzzer IN_LIST KORVALENT_DIRECT_FUZZERS)
        target_link_libraries(fuzz_${fuzzer} PRIVATE korvalent_engine)
    else()
        target_link_libraries(fuzz_${fuzzer} PRIVATE korvalent_fuzz_run)
    endif()
    set_target_properties(fuzz_${fuzzer} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/fuzz")
    add_dependencies(korvalent_fuzzers fuzz_${fuzzer})
endforeach()
