'use strict';
// The protocol as a client meets it: framing, malformed input, the life
// cycle, cancellation, and documents that are no plain script.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { Server, makeGameFolder, uriOf, frame, folderState, rpc } = require('./Harness');

const isAnswerTo = (id) => (message) => message.id === id && !('method' in message);

test('messages arrive however the stream cuts them, and bad input costs only itself', async () => {
  const server = new Server();
  // Two messages in one write, the second with a Content-Type header.
  const first = JSON.stringify({ jsonrpc: '2.0', id: 1, method: 'shutdown' });
  const second = JSON.stringify({ jsonrpc: '2.0', id: 2, method: 'initialize', params: { capabilities: {} } });
  server.raw(Buffer.concat([frame(first),
    Buffer.from(`Content-Length: ${Buffer.byteLength(second)}\r\nContent-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n${second}`)]));
  assert.equal((await server.waitFor(isAnswerTo(1))).error.code, -32002, 'nothing before initialize');
  assert.ok((await server.waitFor(isAnswerTo(2))).result.capabilities);
  server.notify('initialized', {});

  // One message a byte at a time.
  for (const byte of frame(JSON.stringify({ jsonrpc: '2.0', id: 3, method: 'no/such/method' }))) {
    server.raw(Buffer.from([byte]));
  }
  assert.equal((await server.waitFor(isAnswerTo(3))).error.code, -32601);

  // A header without Content-Length, then a good message: the good one is answered.
  server.raw(Buffer.from('Content-Type: text/plain\r\n\r\n{"garbage": true}\r\n'));
  // A body that is no JSON, and JSON that is no message.
  server.raw(frame('{"jsonrpc": "2.0", "id": 4, "method": '));
  server.raw(frame('[1, 2, 3]'));
  server.raw(frame(JSON.stringify({ jsonrpc: '2.0', id: 'five', method: 'textDocument/codeAction', params: { textDocument: 7 } })));
  server.raw(frame(JSON.stringify({ jsonrpc: '2.0', id: 6, method: 'textDocument/codeAction',
    params: { textDocument: { uri: 'file:///nowhere.vxmod' }, range: { start: { line: 0, character: 0 }, end: { line: 0, character: 0 } } } })));
  const parseError = await server.waitFor((m) => m.id === null && m.error && m.error.code === -32700);
  assert.match(parseError.error.message, /no JSON/);
  assert.ok(await server.waitFor((m) => m.id === null && m.error && m.error.code === -32600));
  assert.equal((await server.waitFor(isAnswerTo('five'))).error.code, -32602, 'parameters it cannot use');
  assert.deepEqual((await server.waitFor(isAnswerTo(6))).result, []);
  const logged = server.messages.filter((m) => m.method === 'window/logMessage').map((m) => m.params.message);
  assert.ok(logged.some((line) => /no Content-Length/.test(line)), logged.join('\n'));
  assert.equal(await server.stop(), 0);
});

test('the life cycle: initialize once, nothing but exit after shutdown, exit status by shutdown', async () => {
  const server = new Server();
  await server.initialize(null);
  assert.equal((await server.request('initialize', { capabilities: {} })).error.code, -32600);
  server.notify('some/notification', {});
  assert.deepEqual((await server.request('shutdown', null)).result, null);
  assert.equal((await server.request('textDocument/codeAction', {})).error.code, -32600);
  server.notify('exit');
  assert.equal(await server.exited, 0);

  const abrupt = new Server();
  await abrupt.initialize(null);
  abrupt.notify('exit');
  assert.equal(await abrupt.exited, 1, 'exit without shutdown');

  const closed = new Server();
  await closed.initialize(null);
  closed.process.stdin.end();
  assert.equal(await closed.exited, 1, 'the client went away');
});

test('a request cancelled while the server works on it is answered as cancelled', async () => {
  const game = makeGameFolder();
  const child = new Server();
  // The client's own connection, which cancels as editors do ($/cancelRequest).
  const connection = rpc.createMessageConnection(
    new rpc.StreamMessageReader(child.process.stdout), new rpc.StreamMessageWriter(child.process.stdin));
  connection.listen();
  await connection.sendRequest('initialize', { processId: null, rootUri: uriOf(game), capabilities: {} });
  connection.sendNotification('initialized', {});
  // A script large enough that checking it takes a while; the quick fixes
  // asked for wait for its check, and are cancelled meanwhile.
  const big = path.join(game, 'AttribMods', 'big.vxmod');
  const text = 'update_field car default TopSpeed 215.5\n'.repeat(300000);
  connection.sendNotification('textDocument/didOpen',
    { textDocument: { uri: uriOf(big), languageId: 'vxmod', version: 1, text } });
  const source = new rpc.CancellationTokenSource();
  const asked = connection.sendRequest('textDocument/codeAction', {
    textDocument: { uri: uriOf(big) },
    range: { start: { line: 0, character: 0 }, end: { line: 0, character: 5 } },
    context: { diagnostics: [] },
  }, source.token);
  setTimeout(() => source.cancel(), 20);
  await assert.rejects(asked, (error) => error.code === -32800);
  // And it goes on serving.
  assert.deepEqual(await connection.sendRequest('shutdown'), null);
  connection.sendNotification('exit');
  assert.equal(await child.exited, 0);
});

test('documents that are no plain script: not UTF-8, 50 MB; nothing written', async () => {
  const game = makeGameFolder();
  // A script saved in a Windows code page: its bytes are names to the loader.
  const latin = path.join(game, 'AttribMods', 'latin.vxmod');
  fs.writeFileSync(latin, Buffer.from('update_field v\xe9hicule default TopSpeed 1\n', 'latin1'));
  const before = folderState(game);
  const server = new Server();
  await server.initialize(game);
  const latinFindings = (await server.diagnosticsOf(latin)).params.diagnostics;
  assert.equal(latinFindings[0].message, "ModifyField.Act => Class 'v\uFFFDhicule' not found");
  assert.deepEqual(latinFindings[0].range, { start: { line: 0, character: 13 }, end: { line: 0, character: 21 } });

  // A message whose text is no UTF-8 is no JSON: answered, logged, and passed by.
  const broken = Buffer.concat([
    Buffer.from(`{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"${uriOf(latin)}","languageId":"vxmod","version":1,"text":"update_field v`),
    Buffer.from([0xe9]), Buffer.from('hicule default TopSpeed 1"}}}')]);
  server.raw(frame(broken));
  assert.ok(await server.waitFor((m) => m.id === null && m.error && m.error.code === -32700));

  // 50 MB in one document, every other line of it no command: checked, the
  // first few thousand findings shown and the rest counted, and the server
  // still answers.
  const huge = path.join(game, 'AttribMods', 'huge.vxmod');
  const lines = 'update_field car default Mass 1500 # fifty megabytes\nupdate_feild car default Mass 1\n';
  const text = lines.repeat(Math.ceil(50e6 / lines.length));
  server.notify('textDocument/didOpen', { textDocument: { uri: uriOf(huge), languageId: 'vxmod', version: 1, text } });
  const hugeFindings = (await server.diagnosticsOf(huge)).params.diagnostics;
  assert.equal(hugeFindings.filter((d) => /did you mean 'update_field'/.test(d.message)).length, 5000);
  assert.ok(hugeFindings.some((d) => /^\d+ more findings, on lines 10002 to \d+, are not shown here/.test(d.message)),
            hugeFindings[0].message);
  assert.equal((await server.request('no/such/method', {})).error.code, -32601);
  assert.equal(await server.stop(), 0);
  assert.deepEqual(folderState(game), before, 'the server wrote nothing into the game folder');
});
