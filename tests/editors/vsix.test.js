// The VS Code extension as the build packed it (vxmod.vsix), unpacked as VS
// Code unpacks it: what its manifest declares, that every file it names is
// inside, and what the packed client starts as the language server.
'use strict';

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { fromEnvironment, source } = require('./support');

let unpacked;
let manifest;

function inExtension(file) {
    return path.join(unpacked, 'extension', file);
}

before(() => {
    unpacked = fs.mkdtempSync(path.join(os.tmpdir(), 'vsix-'));
    execFileSync(fromEnvironment('VEXA_CMAKE'), ['-E', 'tar', 'xf', fromEnvironment('VEXA_VSIX')], {
        cwd: unpacked,
    });
    manifest = JSON.parse(fs.readFileSync(inExtension('package.json'), 'utf8'));
});

after(() => fs.rmSync(unpacked, { recursive: true, force: true }));

// "^1.82.0" as [1, 82, 0].
function lowestVersion(range) {
    return range.replace(/^[\^~>=]*/, '').split('.').map(Number);
}

test('the extension carries the project version, in its manifest and in the package', () => {
    const version = fromEnvironment('VEXA_VERSION');
    assert.equal(manifest.version, version);
    const vsixManifest = fs.readFileSync(path.join(unpacked, 'extension.vsixmanifest'), 'utf8');
    assert.match(vsixManifest, new RegExp(`<Identity [^>]*Id="vxmod" Version="${version.replace(/\./g, '\\.')}"`));
});

test('the language, its file extension, comment rule and grammar are declared and packed', () => {
    const [language] = manifest.contributes.languages;
    assert.equal(language.id, 'vxmod');
    assert.deepEqual(language.extensions, ['.vxmod']);
    const configuration = JSON.parse(fs.readFileSync(inExtension(language.configuration), 'utf8'));
    assert.deepEqual(configuration.comments, { lineComment: '#' });
    // A word is what the loader reads as one: a '#' inside it and a no-break space belong to it.
    const words = 'update_field car default C#D\u00A0x GearRatios[5] 1'.match(
        new RegExp(configuration.wordPattern, 'g'),
    );
    assert.deepEqual(words, ['update_field', 'car', 'default', 'C#D\u00A0x', 'GearRatios', '5', '1']);

    const [grammar] = manifest.contributes.grammars;
    assert.equal(grammar.language, 'vxmod');
    const packed = JSON.parse(fs.readFileSync(inExtension(grammar.path), 'utf8'));
    assert.equal(packed.scopeName, grammar.scopeName);
});

test('the client is packed with what it loads, for the VS Code versions it declares', () => {
    assert.ok(fs.existsSync(inExtension(manifest.main)), `${manifest.main} is not in the .vsix`);
    assert.ok(manifest.activationEvents.includes('workspaceContains:**/*.vxmod'));
    // Every module the client requires resolves inside the .vsix ('vscode' is VS Code's own).
    const client = fs.readFileSync(inExtension(manifest.main), 'utf8');
    const required = [...client.matchAll(/require\('([^']+)'\)/g)].map((match) => match[1]);
    assert.ok(required.includes('vscode-languageclient/node'));
    for (const module of required.filter((name) => name !== 'vscode' && !name.startsWith('node:'))) {
        const resolved = require.resolve(module, { paths: [path.dirname(inExtension(manifest.main))] });
        assert.ok(resolved.startsWith(unpacked), `${module} resolves outside the .vsix: ${resolved}`);
    }
    // The language client names the oldest VS Code it runs in: the extension may not claim an older one.
    const languageClient = JSON.parse(
        fs.readFileSync(inExtension('node_modules/vscode-languageclient/package.json'), 'utf8'),
    );
    const needed = lowestVersion(languageClient.engines.vscode);
    const declared = lowestVersion(manifest.engines.vscode);
    const order = declared.map((part, i) => part - needed[i]).find((difference) => difference !== 0) ?? 0;
    assert.ok(order >= 0, `engines.vscode ${manifest.engines.vscode} is older than ${languageClient.engines.vscode}`);
    // Not started in an untrusted folder, whose vxmod.exe could be anything.
    assert.equal(manifest.capabilities.untrustedWorkspaces.supported, 'limited');
});

test('the client starts vxmod lsp: the one in the game folder, else the one set, else on PATH', () => {
    const { serverLaunch } = require(inExtension('serverLaunch.js'));
    const game = 'C:\\Games\\Tormelin';
    const rows = [
        // settings, workspace folder, files that exist, platform: command, initialization options
        [{}, game, [`${game}\\vxmod.exe`], 'win32', `${game}\\vxmod.exe`, {}],
        [{}, `${game}\\AttribMods`, [`${game}\\vxmod.exe`], 'win32', `${game}\\vxmod.exe`, {}],
        [{}, `${game}\\AttribMods`, [`${game}\\AttribMods\\vxmod.exe`, `${game}\\vxmod.exe`], 'win32',
         `${game}\\AttribMods\\vxmod.exe`, {}],
        [{}, game, [], 'win32', 'vxmod', {}],
        [{}, undefined, [], 'win32', 'vxmod', {}],
        [{ path: 'tools\\vxmod.exe' }, game, [`${game}\\vxmod.exe`], 'win32', `${game}\\tools\\vxmod.exe`, {}],
        [{ path: 'D:\\vxmod\\vxmod.exe' }, game, [], 'win32', 'D:\\vxmod\\vxmod.exe', {}],
        [{ path: '  ', database: '' }, game, [], 'win32', 'vxmod', {}],
        [{ database: 'VexaAttribLoader\\snapshot\\before.json' }, game, [], 'win32', 'vxmod',
         { database: `${game}\\VexaAttribLoader\\snapshot\\before.json` }],
        [{ database: 'D:\\db.json' }, game, [], 'win32', 'vxmod', { database: 'D:\\db.json' }],
        [{ database: 'db.json' }, undefined, [], 'win32', 'vxmod', { database: 'db.json' }],
        [{}, '/games/tormelin', ['/games/tormelin/vxmod'], 'linux', '/games/tormelin/vxmod', {}],
        [{ database: 'snapshot/before.json' }, '/games/tormelin', [], 'linux', 'vxmod',
         { database: '/games/tormelin/snapshot/before.json' }],
    ];
    for (const [settings, folder, files, platform, command, initializationOptions] of rows) {
        const launch = serverLaunch(settings, folder, (file) => files.includes(file), platform);
        const row = JSON.stringify({ settings, folder, files, platform });
        assert.deepEqual(launch, { command, args: ['lsp'], cwd: folder, initializationOptions }, row);
    }
});

test('the settings the README and the guide show are the extension\'s, with values of their type', () => {
    const properties = manifest.contributes.configuration.properties;
    let shown = 0;
    for (const document of ['README.md', 'docs/modding-guide.md']) {
        const text = fs.readFileSync(source(document), 'utf8');
        for (const [, block] of text.matchAll(/^```jsonc\n([\s\S]*?)^```$/gm)) {
            for (const [name, value] of Object.entries(JSON.parse(block))) {
                assert.ok(name in properties, `${document} shows a setting '${name}' the extension does not have`);
                assert.equal(typeof value, properties[name].type, `${document}: ${name}`);
                shown += 1;
            }
        }
    }
    assert.ok(shown > 0);
});
