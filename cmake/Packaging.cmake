# The release: `cmake --build --preset windows-i686 --target package` makes
# two zips (CPack's ZIP generator).
# - VexaAttribLoader-<version>-win32.zip, for modders, laid out as it is
#   unpacked into the game's folder: the plug-in and vxmod.exe beside the
#   game, a switched-off example script in AttribMods, the read-me beside
#   them, and everything else in one folder of its own, so that the game's
#   folder gets no loose files with common names.
# - VexaAttribLoader-<version>-win32-debug.zip, for developers: the two
#   files' debug information, to be unpacked beside them.
# The plug-in and vxmod.exe enter both through vexa_ship_binary.

set(docs VexaAttribLoader)
include(cmake/ReleaseLayout.cmake)
set(files ${VEXA_MODDER_FILES})
while(files)
    list(POP_FRONT files source destination)
    if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/${source})
        install(DIRECTORY ${source}/ DESTINATION ${destination} COMPONENT modder)
    else()
        get_filename_component(folder ${destination} DIRECTORY)
        get_filename_component(name ${destination} NAME)
        if(NOT folder)
            set(folder .)
        endif()
        install(FILES ${source} DESTINATION ${folder} RENAME ${name} COMPONENT modder)
    endif()
endwhile()
# The editors' files (editors/): the VS Code extension, which starts the
# vxmod.exe beside it in the game's folder, and the Notepad++ language file.
install(FILES ${VEXA_VSIX} editors/notepad++/vxmod.udl.xml DESTINATION ${docs}/editors
        COMPONENT modder)

# The licence notices of every library linked into the two files, copied
# from the Debian packages the build takes them from: each package's
# copyright file holds its upstream notices and licence texts. The MinGW
# runtime is its C runtime and thread library (mingw-w64) and GCC's libgcc
# and libstdc++.
set(notices
    spdlog libspdlog-dev
    fmt libfmt-dev
    CLI11 libcli11-dev
    nlohmann-json nlohmann-json3-dev
    mingw-w64-runtime mingw-w64-i686-dev
    gcc-runtime gcc-mingw-w64-base)
while(notices)
    list(POP_FRONT notices name package)
    set(copyright /usr/share/doc/${package}/copyright)
    if(NOT EXISTS ${copyright})
        message(FATAL_ERROR "${copyright} is missing: run scripts/setup.sh")
    endif()
    install(FILES ${copyright} DESTINATION ${docs}/third-party RENAME ${name}.txt
            COMPONENT modder)
endwhile()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win32)
# The zip's top level is the game's folder, not a folder named after the zip.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL modder debug)
set(CPACK_ARCHIVE_MODDER_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win32)
set(CPACK_ARCHIVE_DEBUG_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win32-debug)
include(CPack)
