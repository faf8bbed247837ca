# The files a modder gets in the release zip, the plug-in and vxmod.exe, are
# made the same way. vexa_ship_binary(TARGET DESCRIPTION) gives the target's
# file
# - a version resource with the project's version, the product's name, the
#   description and the file's own name, which Windows shows in the file's
#   properties;
# - (MinGW) no debug information: it goes to TARGET_FILE.debug beside the
#   file, which the file names for a debugger (.gnu_debuglink). Shipped
#   inside, it would be twenty times the code (40 MB of the game's address
#   space for the DLL) and carry the build machine's paths;
# - a place in the release zips (cmake/Packaging.cmake): the file in the
#   modders' zip, its debug information in the developers' one.
# Outside Windows it does nothing.
function(vexa_ship_binary target description)
    if(NOT WIN32)
        return()
    endif()

    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
        set(VEXA_FILE_TYPE VFT_DLL)
    else()
        set(VEXA_FILE_TYPE VFT_APP)
    endif()
    set(VEXA_FILE_DESCRIPTION "${description}")
    # The names are known once the generator runs: configure_file fills in
    # the version, file(GENERATE) then the names.
    set(VEXA_INTERNAL_NAME "$<TARGET_FILE_BASE_NAME:${target}>")
    set(VEXA_ORIGINAL_FILENAME "$<TARGET_FILE_NAME:${target}>")
    set(resource ${CMAKE_CURRENT_BINARY_DIR}/${target}-version)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${resource}.rc.in @ONLY)
    file(GENERATE OUTPUT ${resource}.rc INPUT ${resource}.rc.in)
    target_sources(${target} PRIVATE ${resource}.rc)

    install(FILES $<TARGET_FILE:${target}> DESTINATION . COMPONENT modder)

    if(MINGW)
        set(file $<TARGET_FILE_NAME:${target}>)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${file} ${file}.debug
            COMMAND ${CMAKE_OBJCOPY} --strip-all ${file}
            COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${file}.debug ${file}
            WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
            COMMENT "Moving the debug information of ${target} to its .debug file"
            VERBATIM)
        install(FILES $<TARGET_FILE:${target}>.debug DESTINATION . COMPONENT debug)
    endif()
endfunction()
