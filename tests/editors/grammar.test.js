// The TextMate grammar of .vxmod scripts (editors/vscode/syntaxes), tokenised
// by the engine VS Code runs it with: vscode-textmate and the Oniguruma
// regular expressions of vscode-oniguruma. Each row marks one token «so» in a
// line of the example scripts (the row's text is the start of that line) or
// in a line of its own for what the examples do not show, with the scopes the
// token must carry, outermost first.
'use strict';

const { test, before } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const vsctm = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');
const { source, commandTable } = require('./support');

const ACTION = 'keyword.control.command.vxmod';
const NO_EFFECT = 'keyword.other.command.no-effect.vxmod';
const UNKNOWN = 'invalid.illegal.unknown-command.vxmod';
const CLASS = 'entity.name.type.class.vxmod';
const COLLECTION = 'entity.name.section.collection.vxmod';
const NEW_COLLECTION = 'entity.name.section.collection.new.vxmod';
const UNUSED_COLLECTION = 'entity.name.section.collection.unused.vxmod';
const FIELD = 'variable.other.property.field.vxmod';
const MEMBER = 'variable.other.member.vxmod';
const VALUE = 'meta.value.vxmod';
const COUNT = 'meta.count.vxmod';
const COMMENT = 'comment.line.number-sign.vxmod';
const IGNORED = 'comment.other.ignored.vxmod';

const rows = [
    // Commands, and the words the loader accepts and does nothing with.
    ['AttribMods/basics.vxmod', '«update_field» car default TopSpeed 215.5', [ACTION]],
    ['AttribMods/cars/new-models.vxmod', '«add_node» car coupe roadster', [ACTION]],
    ['AttribMods/cars/new-models.vxmod', '«copy_node» car default coupe wagon', [ACTION]],
    ['AttribMods/cars/new-models.vxmod', '«resize_field» car default GearRatios 6', [ACTION]],
    ['AttribMods/basics.vxmod', '«delete_node» car coupe', [NO_EFFECT]],
    ['AttribMods/basics.vxmod', '«add_field» car default Spoiler 1', [NO_EFFECT]],
    ['AttribMods/basics.vxmod', '«delete_field» car default Spoiler', [NO_EFFECT]],
    ['AttribMods/mistakes.vxmod', '«Update_Field» car default Mass 1', [UNKNOWN]],
    [null, '«//» a slash is no comment', [UNKNOWN]],
    [null, '   «add_node» car coupe indented', [ACTION]],

    // Names by their place in the line.
    ['AttribMods/basics.vxmod', 'update_field «car» default TopSpeed 215.5', [CLASS]],
    ['AttribMods/basics.vxmod', 'update_field car «default» TopSpeed 215.5', [COLLECTION]],
    ['AttribMods/basics.vxmod', 'update_field car default «TopSpeed» 215.5', [FIELD]],
    ['AttribMods/cars/new-models.vxmod', 'add_node car «coupe» roadster', [COLLECTION]],
    ['AttribMods/cars/new-models.vxmod', 'add_node car coupe «roadster»', [NEW_COLLECTION]],
    ['AttribMods/cars/new-models.vxmod', 'copy_node car default «coupe» wagon', [UNUSED_COLLECTION]],
    ['AttribMods/cars/new-models.vxmod', 'copy_node car default coupe «wagon»', [NEW_COLLECTION]],
    ['AttribMods/cars/new-models.vxmod', 'resize_field car default «GearRatios» 6', [FIELD]],
    ['AttribMods/basics.vxmod', 'delete_field car default «Spoiler»', [FIELD]],
    ['AttribMods/cars/structures.vxmod', 'update_field car default TireSize «Y» 60', [MEMBER]],
    ['AttribMods/cars/structures.vxmod', 'update_field car coupe Grip «Rear» 1.35', [MEMBER]],
    ['AttribMods/mistakes.vxmod', 'update_field car default «Mass»                  #', [FIELD]],
    // A "#" inside a word is an ordinary character; a no-break space is part of a word.
    [null, 'update_field car default «C#D» 1', [FIELD]],
    [null, 'update_field car default «Mass\u00A01»', [FIELD]],

    // Keys written as "0x" names, and names that are no key.
    [null, 'update_field «0x1A2B3C4D» default Mass 1', [CLASS, 'constant.numeric.hex.vxmod']],
    [null, 'add_node car default «0x00000000FF»', [NEW_COLLECTION, 'constant.numeric.hex.vxmod']],
    [null, 'update_field car «0xZZ» Mass 1', [COLLECTION, 'invalid.illegal.key.vxmod']],
    [null, 'update_field car default «0x-1» 1', [FIELD, 'invalid.illegal.key.vxmod']],
    [null, 'add_node car default «0x123456789»', [NEW_COLLECTION, 'invalid.illegal.key.vxmod']],

    // Array subscripts.
    ['AttribMods/cars/structures.vxmod', 'update_field car default GearRatios«[»4] 0.75',
     [FIELD, 'punctuation.section.brackets.begin.vxmod']],
    ['AttribMods/cars/structures.vxmod', 'update_field car default GearRatios[«4»] 0.75',
     [FIELD, 'constant.numeric.integer.vxmod']],
    ['AttribMods/cars/structures.vxmod', 'update_field car default GearRatios[4«]» 0.75',
     [FIELD, 'punctuation.section.brackets.end.vxmod']],
    ['AttribMods/mistakes.vxmod', 'update_field car default GearRatios[«x»] 1',
     [FIELD, 'invalid.illegal.subscript.vxmod']],

    // Values by their form: the field's type decides what they mean.
    ['AttribMods/basics.vxmod', 'update_field car default TopSpeed «215.5»',
     [VALUE, 'constant.numeric.decimal.vxmod']],
    ['AttribMods/basics.vxmod', 'update_field car default Camber «-2»', [VALUE, 'constant.numeric.decimal.vxmod']],
    ['AttribMods/cars/structures.vxmod', 'update_field car default CentreOfMass Z «-0.05»',
     [VALUE, 'constant.numeric.decimal.vxmod']],
    [null, 'update_field car default Mass «1e3»', [VALUE, 'constant.numeric.decimal.vxmod']],
    ['AttribMods/basics.vxmod', 'update_field car default Convertible «True»',
     [VALUE, 'constant.language.boolean.vxmod']],
    [null, 'update_field car default Convertible «False»', [VALUE, 'constant.language.boolean.vxmod']],
    // Only "True" is true: "true" is a text, and the field becomes false.
    [null, 'update_field car default Convertible «true»', [VALUE, 'string.unquoted.vxmod']],
    ['AttribMods/basics.vxmod', 'update_field car default DisplayName «Estate»', [VALUE, 'string.unquoted.vxmod']],
    ['AttribMods/mistakes.vxmod', 'update_field car default Price «cheap»', [VALUE, 'string.unquoted.vxmod']],
    ['AttribMods/cars/structures.vxmod', 'update_field car default Upgrade DefinitionKey «v8»',
     [VALUE, 'string.unquoted.vxmod']],
    [null, 'update_field car default DisplayName «""»', [VALUE, 'string.quoted.double.empty.vxmod']],
    [null, 'update_field car default Manufacturer «0x1A2B3C4D»', [VALUE, 'constant.numeric.hex.vxmod']],
    // With five words the fourth is the value, even when it names a member.
    [null, 'update_field car default Badge «Visual»', [VALUE, 'string.unquoted.vxmod']],
    [null, 'update_field car default Mass «1»\r', [VALUE, 'constant.numeric.decimal.vxmod']],
    [null, 'update_field\tcar\tdefault\tMass\t«1»', [VALUE, 'constant.numeric.decimal.vxmod']],
    // A comment word does not count: this line has five words.
    [null, 'update_field car default Mass «1» # Grip Rear', [VALUE, 'constant.numeric.decimal.vxmod']],

    // Counts.
    ['AttribMods/cars/new-models.vxmod', 'resize_field car default GearRatios «6»',
     [COUNT, 'constant.numeric.integer.vxmod']],
    ['AttribMods/basics.vxmod', 'add_field car default Spoiler «1»', [COUNT, 'constant.numeric.integer.vxmod']],
    [null, 'resize_field car default GearRatios «-1»', [COUNT, 'invalid.illegal.negative-count.vxmod']],

    // Comments, and the words after the last one a command reads.
    ['AttribMods/basics.vxmod', 'update_field car default TopSpeed 215.5      «#»',
     [COMMENT, 'punctuation.definition.comment.vxmod']],
    ['AttribMods/basics.vxmod', 'update_field car default TopSpeed 215.5      #« Float, in the layout block»',
     [COMMENT]],
    ['example.vxmod', '«#»', [COMMENT, 'punctuation.definition.comment.vxmod']],
    ['example.vxmod', '#« add_node car coupe tuned»', [COMMENT]],
    [null, 'resize_field car default GearRatios 6« extra words»', [IGNORED]],
    [null, 'Add_Node« car coupe roadster» # a comment all the same', [IGNORED]],
    [null, 'update_field car coupe Grip Rear 1.35« 1.4»', [IGNORED]],
    [null, 'delete_node car coupe« Mass»', [IGNORED]],
];

let grammar;

before(async () => {
    const wasm = fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm'));
    await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
    const grammarPath = source('editors/vscode/syntaxes/vxmod.tmLanguage.json');
    const registry = new vsctm.Registry({
        onigLib: Promise.resolve({
            createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
            createOnigString: (text) => new oniguruma.OnigString(text),
        }),
        loadGrammar: async (scopeName) =>
            scopeName === 'source.vxmod'
                ? vsctm.parseRawGrammar(fs.readFileSync(grammarPath, 'utf8'), grammarPath)
                : null,
    });
    grammar = await registry.loadGrammar('source.vxmod');
});

// The tokens of each line, with the scopes below the grammar's own.
function tokenize(lines) {
    let stack = vsctm.INITIAL;
    return lines.map((line) => {
        const result = grammar.tokenizeLine(line, stack);
        stack = result.ruleStack;
        return result.tokens.map((token) => ({
            text: line.slice(token.startIndex, token.endIndex),
            start: token.startIndex,
            scopes: token.scopes.slice(1),
        }));
    });
}

function exampleLines(file) {
    return fs.readFileSync(source('examples', file), 'utf8').split('\n');
}

test('each kind of token gets its scopes', () => {
    for (const [file, marked, scopes] of rows) {
        const start = marked.indexOf('«');
        const end = marked.indexOf('»') - 1;
        const text = marked.replace('«', '').replace('»', '');
        let line = text;
        if (file !== null) {
            line = exampleLines(file).find((candidate) => candidate.startsWith(text));
            assert.ok(line !== undefined, `${file} has no line that begins with '${text}'`);
        }
        const tokens = tokenize([line])[0];
        const token = tokens.find((candidate) => candidate.start === start);
        assert.ok(token, `${marked}: no token begins at ${start}: ${JSON.stringify(tokens)}`);
        assert.equal(token.text, text.slice(start, end), `${marked}: the token is '${token.text}'`);
        assert.deepEqual(token.scopes, scopes, marked);
    }
});

test('every command word of the parser, and no other, is a command', () => {
    for (const { word, buildsAction } of commandTable()) {
        const [first] = tokenize([`${word} car default Mass 1`])[0];
        assert.equal(first.text, word);
        assert.deepEqual(first.scopes, [buildsAction ? ACTION : NO_EFFECT], word);
        // Command words are compared exactly: another case is no command.
        const capitalised = word[0].toUpperCase() + word.slice(1);
        const [other] = tokenize([`${capitalised} car default Mass 1`])[0];
        assert.deepEqual(other.scopes, [UNKNOWN], capitalised);
    }
});

test('every word of the example scripts has a scope, its first as the parser reads it', () => {
    const commands = new Map(commandTable().map((command) => [command.word, command]));
    const files = [
        'example.vxmod',
        'AttribMods/basics.vxmod',
        'AttribMods/mistakes.vxmod',
        'AttribMods/!experimental.vxmod',
        'AttribMods/cars/new-models.vxmod',
        'AttribMods/cars/rival-tune.vxmod',
        'AttribMods/cars/structures.vxmod',
    ];
    for (const file of files) {
        const lines = exampleLines(file);
        tokenize(lines).forEach((tokens, index) => {
            const where = `${file}:${index + 1}`;
            for (const token of tokens) {
                if (token.text.trim() !== '') {
                    assert.ok(token.scopes.length > 0, `${where}: '${token.text}' has no scope`);
                }
            }
            const first = tokens.find((token) => token.text.trim() !== '');
            if (first === undefined || first.scopes[0] === COMMENT) {
                return;
            }
            const command = commands.get(first.text);
            const expected = command === undefined ? UNKNOWN : command.buildsAction ? ACTION : NO_EFFECT;
            assert.deepEqual(first.scopes, [expected], where);
        });
    }
});
