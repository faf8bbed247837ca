// What the editor tests share: where the build put things (ctest passes it in
// the environment) and the parser's command table, read from the parser
// itself so that the editors' files are held against the words the loader
// really accepts.
'use strict';

const { execFileSync } = require('node:child_process');
const path = require('node:path');

function fromEnvironment(name) {
    const value = process.env[name];
    if (!value) {
        throw new Error(`${name} is not set: run the editor tests through ctest`);
    }
    return value;
}

const sourceDir = fromEnvironment('VEXA_SOURCE_DIR');

function source(...parts) {
    return path.join(sourceDir, ...parts);
}

// [{ word, buildsAction }] in the parser's order.
function commandTable() {
    const printed = execFileSync(fromEnvironment('VEXA_COMMAND_WORDS'), { encoding: 'utf8' });
    return printed
        .trim()
        .split('\n')
        .map((line) => {
            const [word, kind] = line.split(' ');
            return { word, buildsAction: kind === 'action' };
        });
}

module.exports = { fromEnvironment, source, commandTable };
