'use strict';
// What the server tells of a pack, from the outside: what vxmod run says,
// on the words at fault, again after an edit in an earlier script; and
// completion, hover, quick fixes, definitions, references, symbols and the
// words' colours of the example scripts.
const test = require('node:test');
const assert = require('node:assert/strict');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { Server, makeGameFolder, uriOf } = require('./Harness');

const label = ['', '', 'warning: ', 'note: '];

// Every PATH:LINE: finding vxmod run prints for the folder.
function runFindings(game) {
  let output;
  try {
    output = execFileSync(process.env.VXMOD, ['run', '--all'], { cwd: game, encoding: 'utf8', stdio: 'pipe' });
  } catch (failed) {
    output = failed.stdout + failed.stderr;
  }
  return output.split('\n').filter((line) => /^AttribMods\/[^:]+:\d+: /.test(line)).sort();
}

async function published(server, game, scripts) {
  const lines = [];
  for (const script of scripts) {
    const message = await server.diagnosticsOf(path.join(game, script));
    for (const d of message.params.diagnostics) {
      lines.push(`${script}:${d.range.start.line + 1}: ${label[d.severity]}${d.message}`);
    }
  }
  return lines.sort();
}

const scripts = ['AttribMods/basics.vxmod', 'AttribMods/cars/new-models.vxmod', 'AttribMods/cars/rival-tune.vxmod',
                 'AttribMods/cars/structures.vxmod', 'AttribMods/mistakes.vxmod'];

test('the diagnostics are what vxmod run finds, each on its word, and follow an edit to the scripts after it', async () => {
  const game = makeGameFolder();
  const server = new Server();
  await server.initialize(game);
  assert.deepEqual(await published(server, game, scripts), runFindings(makeGameFolder()));

  const mistakes = (await server.diagnosticsOf(path.join(game, 'AttribMods/mistakes.vxmod'))).params.diagnostics;
  const text = fs.readFileSync(path.join(game, 'AttribMods/mistakes.vxmod'), 'utf8').split('\n');
  const wordOf = (d) => text[d.range.start.line].slice(d.range.start.character, d.range.end.character);
  const at = (pattern) => mistakes.find((d) => pattern.test(d.message));
  assert.equal(wordOf(at(/Class 'truck' not found/)), 'truck');
  assert.equal(wordOf(at(/Collection 'car'->'hatchback'/)), 'hatchback');
  assert.equal(wordOf(at(/'Topspeed' not found/)), 'Topspeed');
  assert.equal(wordOf(at(/to 'cheap'/)), 'cheap');
  assert.equal(wordOf(at(/subscript 'car'->'default'.'GearRatios'\[9\]/)), '[9]');
  assert.equal(wordOf(at(/\['Middle'\]/)), 'Middle');
  assert.equal(wordOf(at(/parent 'car'->'sedan'/)), 'sedan');
  assert.equal(wordOf(at(/unknown command/)), 'Update_Field');
  assert.ok(mistakes.every((d) => d.source === 'vxmod: the example database built into vxmod'));

  // basics.vxmod runs first: when it sets the top speed rival-tune.vxmod
  // sets, the conflict there is gone.
  const basics = path.join(game, 'AttribMods/basics.vxmod');
  const line = fs.readFileSync(basics, 'utf8').split('\n').findIndex((l) => l.startsWith('update_field car default TopSpeed'));
  server.notify('textDocument/didOpen', { textDocument: { uri: uriOf(basics), languageId: 'vxmod', version: 1, text: fs.readFileSync(basics, 'utf8') } });
  server.notify('textDocument/didChange', {
    textDocument: { uri: uriOf(basics), version: 2 },
    contentChanges: [{ range: { start: { line, character: 34 }, end: { line, character: 39 } }, text: '230' }],
  });
  const rival = path.join(game, 'AttribMods/cars/rival-tune.vxmod');
  const after = await server.diagnosticsOf(rival, (p) => !p.diagnostics.some((d) => /TopSpeed' is also set/.test(d.message)));
  assert.ok(after.params.diagnostics.some((d) => /'Price' is also set/.test(d.message)));
  assert.equal(await server.stop(), 0);
});

test('completion, hover, quick fixes, definitions, references, symbols and colours', async () => {
  // A folder name that a URI must encode: the answers name the files the client knows.
  const game = makeGameFolder('Game folder \u00e9-');
  const server = new Server();
  await server.initialize(game);
  const file = path.join(game, 'AttribMods', 'new.vxmod');
  const lines = [
    'add_node car coupe roadster',          // 0
    'update_field car roadster Grip Re 1',  // 1
    'update_field car default GearRatios[ 0.5',  // 2
    'update_field car default Convertible T',    // 3
    'update_field car default Topspeed 250',     // 4
    'resize_field engine v8 Torque 3',           // 5
    'update_field car ',                         // 6
    'up',                                        // 7
  ];
  // Saved, so the game runs it: last, after the scripts of cars/.
  fs.writeFileSync(file, lines.join('\n') + '\n');
  server.notify('textDocument/didOpen', { textDocument: { uri: uriOf(file), languageId: 'vxmod', version: 1, text: lines.join('\n') + '\n' } });
  await server.diagnosticsOf(file);
  const labels = async (line, character) => {
    const answer = await server.request('textDocument/completion', { textDocument: { uri: uriOf(file) }, position: { line, character } });
    return answer.result.items.map((item) => item.label);
  };
  const cases = [
    [7, 2, ['add_node', 'copy_node', 'update_field', 'resize_field'], 'command words'],
    [1, 14, ['car', 'engine'], 'classes'],
    [6, 17, ['default', 'coupe', 'roadster', 'wagon'], 'collections, counting those made by earlier lines'],
    [1, 27, ['TopSpeed', 'Grip', 'GearRatios'], 'fields'],
    [1, 33, ['Front', 'Rear'], 'members'],
    [2, 36, ['0', '1', '2', '3', '4', '5'], 'subscripts within the count'],
    [3, 38, ['True', 'False'], 'truth values'],
  ];
  for (const [line, character, expected, what] of cases) {
    const got = await labels(line, character);
    for (const label of expected) assert.ok(got.includes(label), `${what}: ${label} in ${got}`);
  }
  assert.ok(!(await labels(2, 36)).includes('6'), 'no subscript past the count');

  const hover = await server.request('textDocument/hover', { textDocument: { uri: uriOf(file) }, position: { line: 5, character: 25 } });
  assert.match(hover.result.contents.value, /Torque.*KQ::Reflection::Float.*an array/s);
  assert.match(hover.result.contents.value, /Before this script: `\[.*\] \(2 elements\)`/);
  assert.match(hover.result.contents.value, /After this line: `\[.*\] \(3 elements\)`/);

  const actions = await server.request('textDocument/codeAction', {
    textDocument: { uri: uriOf(file) }, range: { start: { line: 4, character: 26 }, end: { line: 4, character: 26 } }, context: { diagnostics: [] },
  });
  const edit = actions.result[0].edit.changes[uriOf(file)][0];
  assert.equal(edit.newText, 'TopSpeed');
  assert.deepEqual(edit.range, { start: { line: 4, character: 25 }, end: { line: 4, character: 33 } });

  const definition = await server.request('textDocument/definition', { textDocument: { uri: uriOf(file) }, position: { line: 1, character: 20 } });
  assert.deepEqual(definition.result.map((l) => [path.relative(game, decodeURIComponent(l.uri.slice(7))), l.range.start.line]),
                   [['AttribMods/cars/new-models.vxmod', 3], ['AttribMods/new.vxmod', 0]]);
  const references = await server.request('textDocument/references', {
    textDocument: { uri: uriOf(file) }, position: { line: 5, character: 25 }, context: { includeDeclaration: true } });
  assert.deepEqual(references.result.map((l) => [path.basename(l.uri), l.range.start.line]),
                   [['new-models.vxmod', 14], ['structures.vxmod', 18], ['new.vxmod', 5]]);

  const symbols = await server.request('textDocument/documentSymbol', { textDocument: { uri: uriOf(file) } });
  assert.deepEqual(symbols.result.map((s) => s.name), ['car->roadster', 'car->default', 'engine->v8']);
  const colours = await server.request('textDocument/semanticTokens/full', { textDocument: { uri: uriOf(file) } });
  assert.deepEqual(colours.result.data.slice(0, 15), [0, 0, 8, 0, 0, 0, 9, 3, 1, 0, 0, 4, 5, 2, 0]);
  assert.equal(await server.stop(), 0);
});
