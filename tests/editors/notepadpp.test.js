// The Notepad++ language file (editors/notepad++/vxmod.udl.xml), read as
// Notepad++ imports it: its keywords are the parser's command words, its
// comments begin at "#", and every list and style carries a name Notepad++
// knows (a misspelt one is passed over without a word).
'use strict';

const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const { XMLParser } = require('fast-xml-parser');
const { source, commandTable } = require('./support');

const file = source('editors/notepad++/vxmod.udl.xml');
const language = new XMLParser({ ignoreAttributes: false, attributeNamePrefix: '', parseTagValue: false })
    .parse(fs.readFileSync(file, 'utf8'))
    .NotepadPlus.UserLang;

const lists = new Map(
    language.KeywordLists.Keywords.map((list) => [list.name, typeof list === 'string' ? '' : (list['#text'] ?? '')]),
);

function words(name) {
    return lists.get(name).split(/\s+/).filter((word) => word !== '');
}

test('scripts are files ending in .vxmod, in the format Notepad++ reads', () => {
    assert.equal(language.name, 'vxmod');
    assert.equal(language.ext, 'vxmod');
    assert.equal(language.udlVersion, '2.1');
});

test('the command words are the parser\'s, each kind in its own list, in their case only', () => {
    const table = commandTable();
    const sorted = (list) => [...list].sort();
    assert.deepEqual(sorted(words('Keywords1')), sorted(table.filter((c) => c.buildsAction).map((c) => c.word)));
    assert.deepEqual(sorted(words('Keywords2')), sorted(table.filter((c) => !c.buildsAction).map((c) => c.word)));
    assert.equal(language.Settings.Global.caseIgnored, 'no');
    assert.deepEqual(words('Keywords3'), ['True', 'False']);
});

test('a comment begins at "#" and runs to the end of the line; numbers include "0x" keys', () => {
    // "00" opens a line comment, "03" and "04" a block comment, which scripts have none of.
    assert.deepEqual(words('Comments'), ['00#', '01', '02', '03', '04']);
    assert.deepEqual(words('Numbers, prefix2'), ['0x']);
    assert.equal(words('Numbers, extras1').join(''), 'ABCDEFabcdef');
    assert.deepEqual(words('Operators1'), ['[', ']']);
});

test('every keyword list and style has a name Notepad++ knows, each once', () => {
    const folders = ['code1', 'code2', 'comment'].flatMap((kind) =>
        ['open', 'middle', 'close'].map((part) => `Folders in ${kind}, ${part}`),
    );
    const numbered = (prefix, from, to) =>
        Array.from({ length: to - from + 1 }, (_, i) => `${prefix}${from + i}`);
    assert.deepEqual([...lists.keys()].sort(), [
        'Comments',
        'Delimiters',
        ...folders,
        ...numbered('Keywords', 1, 8),
        'Numbers, extras1',
        'Numbers, extras2',
        'Numbers, prefix1',
        'Numbers, prefix2',
        'Numbers, range',
        'Numbers, suffix1',
        'Numbers, suffix2',
        'Operators1',
        'Operators2',
    ].sort());
    assert.equal(lists.size, language.KeywordLists.Keywords.length);
    const styles = language.Styles.WordsStyle.map((style) => style.name);
    assert.deepEqual(styles.sort(), [
        'COMMENTS',
        'DEFAULT',
        ...numbered('DELIMITERS', 1, 8),
        'FOLDER IN CODE1',
        'FOLDER IN CODE2',
        'FOLDER IN COMMENT',
        ...numbered('KEYWORDS', 1, 8),
        'LINE COMMENTS',
        'NUMBERS',
        'OPERATORS',
    ].sort());
});
