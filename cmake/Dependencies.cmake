# spdlog, {fmt}, nlohmann/json and CLI11 (the plug-in needs the first three).
# The native build uses Debian's packages; the MinGW build has no packages of
# them, so it uses the same headers in header-only mode from a folder that
# holds links to those four header trees only (putting /usr/include itself on
# the cross compiler's path would pull in glibc's headers).
find_package(Threads REQUIRED)

add_library(vexa_spdlog INTERFACE)
add_library(vexa_json INTERFACE)
add_library(vexa_cli11 INTERFACE)

if(CMAKE_CROSSCOMPILING AND WIN32)
    set(shim ${CMAKE_BINARY_DIR}/third_party_include)
    file(MAKE_DIRECTORY ${shim})
    foreach(tree spdlog fmt nlohmann CLI)
        if(NOT EXISTS /usr/include/${tree})
            message(FATAL_ERROR "/usr/include/${tree} is missing: run scripts/setup.sh")
        endif()
        file(CREATE_LINK /usr/include/${tree} ${shim}/${tree} SYMBOLIC)
    endforeach()
    # spdlog's common.h turns header-only mode on by itself when it is not a
    # compiled library, and its Debian tweakme.h selects the external {fmt}.
    target_include_directories(vexa_spdlog SYSTEM INTERFACE ${shim})
    target_compile_definitions(vexa_spdlog INTERFACE FMT_HEADER_ONLY)
    target_link_libraries(vexa_spdlog INTERFACE Threads::Threads)
    target_include_directories(vexa_json SYSTEM INTERFACE ${shim})
    target_include_directories(vexa_cli11 SYSTEM INTERFACE ${shim})
else()
    # Debian's i386 packages, or vcpkg's for the Visual Studio build.
    find_package(fmt REQUIRED)
    find_package(spdlog REQUIRED)
    target_link_libraries(vexa_spdlog INTERFACE spdlog::spdlog fmt::fmt Threads::Threads)
    # The plug-in writes its snapshot of the game's database as JSON too.
    find_package(nlohmann_json 3 REQUIRED)
    target_link_libraries(vexa_json INTERFACE nlohmann_json::nlohmann_json)
    if(NOT VEXA_PLUGIN_ONLY)
        find_package(CLI11 2 CONFIG REQUIRED)
        target_link_libraries(vexa_cli11 INTERFACE CLI11::CLI11)
    endif()
endif()

if(VEXA_PLUGIN_ONLY)
    return()
endif()

# GoogleTest: Debian's i386 package natively, its sources for the cross build.
if(CMAKE_CROSSCOMPILING AND WIN32)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    # Its own CMake files define the GTest:: aliases.
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
    find_package(GTest REQUIRED)
    find_package(benchmark QUIET)
endif()
