# Build-time source generators.
#
#   korvalent_add_generator(<name> <source> <output> [INPUTS <file>...])
#
# builds the host program gen/<source> (optimised with -O2, never with the
# sanitizer flags, since it only writes data), runs it during the build as
#
#   <program> <binary dir>/generated/<output>.tmp [<input file>...]
#
# and compiles the file it wrote (renamed to <output> once the program has
# succeeded, so a failed run never leaves a stale file that looks up to date)
# into korvalent_engine. The program gets the full path of the file to write
# as its first argument, then the full paths of the INPUTS (data files under
# gen/ that it turns into code), and must exit non-zero on failure. It is
# rerun whenever its source or one of its inputs changes. src/ is on its include path so it can share
# the engine's types.
#
# A generator always runs on the build machine, whatever the engine is built
# for: a cross or 32-bit sub-build sets KORVALENT_HOST_GENERATOR_DIR to the
# main tree's gen/ folder and runs the programs found there instead of
# building its own for its target (which the build machine may not be able to
# execute). The generated data then cannot depend on the target.
set(KORVALENT_HOST_GENERATOR_DIR "" CACHE PATH
    "Folder of already built host generator programs (set by the main tree for its sub-builds)")

function(korvalent_add_generator name source output)
    cmake_parse_arguments(PARSE_ARGV 3 arg "" "" "INPUTS")
    set(inputs "")
    foreach(input IN LISTS arg_INPUTS)
        list(APPEND inputs "${PROJECT_SOURCE_DIR}/gen/${input}")
    endforeach()
    if(NOT TARGET korvalent_engine)
        message(FATAL_ERROR
            "korvalent_add_generator(${name}): call it after korvalent_engine exists")
    endif()

    set(program korvalent_gen_${name})
    if(KORVALENT_HOST_GENERATOR_DIR)
        set(program_path "${KORVALENT_HOST_GENERATOR_DIR}/${program}")
        set(program_command "${program_path}")
        set(program_dependency "${program_path}")
    else()
        add_executable(${program} "${PROJECT_SOURCE_DIR}/gen/${source}")
        target_include_directories(${program} PRIVATE "${PROJECT_SOURCE_DIR}/src")
        # Listed after the build type's own flags, so -O2 wins even in a Debug tree.
        target_compile_options(${program} PRIVATE -O2)
        set_target_properties(${program} PROPERTIES
            RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/gen")
        set(program_command ${program})
        set(program_dependency ${program})
        set_property(GLOBAL APPEND PROPERTY KORVALENT_GENERATOR_TARGETS ${program})
    endif()
    set_property(GLOBAL APPEND PROPERTY KORVALENT_GENERATED_OUTPUTS ${output})

    set(generated "${CMAKE_BINARY_DIR}/generated/${output}")
    add_custom_command(
        OUTPUT "${generated}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/generated"
        COMMAND ${program_command} "${generated}.tmp" ${inputs}
        COMMAND "${CMAKE_COMMAND}" -E rename "${generated}.tmp" "${generated}"
        DEPENDS ${program_dependency} ${inputs}
        COMMENT "Generating ${output} with gen/${source}"
        VERBATIM)
    target_sources(korvalent_engine PRIVATE "${generated}")
endfunction()
