// What the extension starts as the language server, and how: `vxmod lsp` in
// the workspace folder, with the database the settings name. Kept apart from
// VS Code's API so that the choice can be checked on its own.
'use strict';

const path = require('node:path');

function setting(value) {
    return typeof value === 'string' ? value.trim() : '';
}

// settings: { path, database } as the user set them (empty when not set);
// folder: the workspace folder, or undefined; exists(file): whether a file is
// there; platform: as process.platform names it.
function serverLaunch(settings, folder, exists, platform) {
    const paths = platform === 'win32' ? path.win32 : path.posix;
    const fromFolder = (file) => (folder === undefined ? file : paths.resolve(folder, file));

    // The release zip puts vxmod.exe in the game's folder; the workspace is
    // that folder, or the AttribMods folder in it.
    let command = setting(settings.path);
    if (command !== '') {
        command = fromFolder(command);
    } else {
        const program = platform === 'win32' ? 'vxmod.exe' : 'vxmod';
        const candidates = [];
        if (folder !== undefined) {
            candidates.push(paths.join(folder, program));
            if (paths.basename(folder) === 'AttribMods') {
                candidates.push(paths.join(paths.dirname(folder), program));
            }
        }
        command = candidates.find(exists) ?? 'vxmod';
    }

    const database = setting(settings.database);
    return {
        command,
        args: ['lsp'],
        cwd: folder,
        initializationOptions: database === '' ? {} : { database: fromFolder(database) },
    };
}

module.exports = { serverLaunch };
