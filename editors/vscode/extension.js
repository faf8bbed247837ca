// Starts vxmod's language server for the .vxmod scripts of the workspace, in
// a trusted workspace only (the program may come from the workspace folder),
// and starts it anew when its settings change.
'use strict';

const fs = require('node:fs');
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');
const { serverLaunch } = require('./serverLaunch');

let client;

async function start() {
    const folder = vscode.workspace.workspaceFolders?.[0]?.uri.fsPath;
    const settings = vscode.workspace.getConfiguration('vxmod');
    const launch = serverLaunch(
        { path: settings.get('path'), database: settings.get('database') },
        folder,
        (file) => fs.existsSync(file),
        process.platform,
    );
    client = new LanguageClient(
        'vxmod',
        'vxmod',
        { command: launch.command, args: launch.args, options: { cwd: launch.cwd } },
        {
            documentSelector: [{ scheme: 'file', language: 'vxmod' }],
            initializationOptions: launch.initializationOptions,
            // A script made, renamed or deleted changes what the scripts after it find.
            synchronize: { fileEvents: vscode.workspace.createFileSystemWatcher('**/*.vxmod') },
        },
    );
    try {
        await client.start();
    } catch (error) {
        client = undefined;
        vscode.window.showErrorMessage(
            `vxmod could not be started as '${launch.command} lsp': ${error.message}. ` +
                'Set "vxmod.path" to the vxmod.exe in the game\'s folder.',
        );
    }
}

async function stop() {
    const running = client;
    client = undefined;
    if (running !== undefined) {
        await running.stop();
    }
}

function activate(context) {
    context.subscriptions.push(
        vscode.workspace.onDidChangeConfiguration(async (event) => {
            if (event.affectsConfiguration('vxmod') && vscode.workspace.isTrusted) {
                await stop();
                await start();
            }
        }),
    );
    if (vscode.workspace.isTrusted) {
        return start();
    }
    context.subscriptions.push(vscode.workspace.onDidGrantWorkspaceTrust(start));
    return undefined;
}

function deactivate() {
    return stop();
}

module.exports = { activate, deactivate };
