# Where the files of the modders' zip land in the game's folder, besides the
# two programs (vexa_ship_binary) and the licence notices of the libraries in
# them (cmake/Packaging.cmake): pairs of a source in the project and its path
# in the zip; a folder goes whole. The zip is packed from this list, and the
# documentation test lays a game folder out from it, so that the guide's
# walk-throughs run as a modder who unpacked the zip runs them.
set(VEXA_MODDER_FILES
    examples/example.vxmod AttribMods/example.vxmod
    docs/VexaAttribLoader-README.txt VexaAttribLoader-README.txt
    docs/modding-guide.md VexaAttribLoader/modding-guide.md
    examples/database.json VexaAttribLoader/database.json
    CHANGELOG.md VexaAttribLoader/CHANGELOG.md
    LICENSE VexaAttribLoader/LICENSE.txt
    # The guide's examples, a game folder of their own: their scripts below
    # AttribMods (where the game does not look) and the database they run on.
    examples/AttribMods VexaAttribLoader/examples/AttribMods
    examples/database.json VexaAttribLoader/examples/database.json)
