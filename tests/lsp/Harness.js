'use strict';
// vxmod lsp in a child process, spoken to through vscode-jsonrpc, the
// library that editors' language clients are built on.
const { spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const rpc = require('vscode-jsonrpc/node');

// A game folder holding the example scripts, in a temporary folder of its own.
function makeGameFolder(name = 'vxmod-lsp-') {
  const game = fs.mkdtempSync(path.join(os.tmpdir(), name));
  fs.cpSync(path.join(process.env.VEXA_SOURCE_DIR, 'examples', 'AttribMods'),
            path.join(game, 'AttribMods'), { recursive: true });
  return game;
}

function uriOf(file) {
  return 'file://' + file.split('/').map(encodeURIComponent).join('/');
}

// A message as the protocol frames it.
function frame(body) {
  const bytes = Buffer.isBuffer(body) ? body : Buffer.from(body);
  return Buffer.concat([Buffer.from(`Content-Length: ${bytes.length}\r\n\r\n`), bytes]);
}

// Every message the server sends is kept; a test waits for the one it wants.
class Server {
  constructor(args = [], options = {}) {
    this.process = spawn(process.env.VXMOD, ['lsp', ...args],
                         { stdio: ['pipe', 'pipe', 'pipe'], cwd: options.cwd });
    this.stderr = '';
    this.process.stderr.on('data', (data) => { this.stderr += data; });
    this.exited = new Promise((resolve) => this.process.on('exit', (code) => resolve(code)));
    this.messages = [];
    this.waiting = [];
    const reader = new rpc.StreamMessageReader(this.process.stdout);
    this.writer = new rpc.StreamMessageWriter(this.process.stdin);
    reader.listen((message) => {
      this.messages.push(message);
      for (const wake of [...this.waiting]) wake();
    });
    this.nextId = 1;
  }

  // The first message `match` picks, once it has come; a test that waits in
  // vain fails with what it waited for instead of hanging.
  waitFor(match, seconds = 120) {
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => {
        this.waiting = this.waiting.filter((wake) => wake !== look);
        reject(new Error(`no such message in ${seconds} s: ${match}; the last ones: ` +
                         JSON.stringify(this.messages.slice(-3)).slice(0, 2000)));
      }, seconds * 1000);
      const look = () => {
        const found = this.messages.find(match);
        if (found) {
          clearTimeout(timer);
          this.waiting = this.waiting.filter((wake) => wake !== look);
          resolve(found);
        }
      };
      this.waiting.push(look);
      look();
    });
  }

  send(message) { return this.writer.write({ jsonrpc: '2.0', ...message }); }
  raw(bytes) { this.process.stdin.write(bytes); }
  notify(method, params) { return this.send({ method, params }); }
  request(method, params) {
    const id = this.nextId++;
    this.send({ id, method, params });
    return this.waitFor((message) => message.id === id && !('method' in message));
  }

  async initialize(root, initializationOptions) {
    const answer = await this.request('initialize', {
      processId: process.pid,
      rootUri: root ? uriOf(root) : null,
      capabilities: {},
      initializationOptions,
    });
    await this.notify('initialized', {});
    return answer;
  }

  diagnosticsOf(file, match = () => true) {
    return this.waitFor((message) => message.method === 'textDocument/publishDiagnostics' &&
                                     message.params.uri === uriOf(file) && match(message.params));
  }

  async stop() {
    await this.request('shutdown', null);
    await this.notify('exit');
    return this.exited;
  }
}

// The files below a folder with their bytes and times: what a session must leave as it was.
function folderState(folder) {
  const state = {};
  for (const entry of fs.readdirSync(folder, { recursive: true })) {
    const file = path.join(folder, entry);
    const stat = fs.statSync(file);
    state[entry] = stat.isFile() ? `${stat.mtimeMs} ${fs.readFileSync(file, 'hex')}` : 'folder';
  }
  return state;
}

module.exports = { Server, makeGameFolder, uriOf, frame, folderState, rpc };
