// The include files that the extension gives the language, found as the parser finds them.
const assert = require("node:assert/strict");
const path = require("node:path");
const test = require("node:test");
const { includedFiles } = require("../../out/includes");

const file = path.resolve("/mods/game.ini");

test("quoted names, beside the including file, backslashes as folder separators", () => {
    const text = '!INCLUDE /* the rooms */ ("rooms\\\\cellar.ini")\n!include("../shared.ini")\n';
    assert.deepEqual(includedFiles(text, file), [
        path.resolve("/mods/rooms/cellar.ini"),
        path.resolve("/shared.ini"),
    ]);
});

test("no include inside comments or strings, nor by a constant or another keyword", () => {
    const text = [
        '// !include("commented.ini")',
        '/* !include("block.ini") */',
        'text("!include(\\"quoted.ini\\")")',
        '$more(s, "more.ini")',
        "!include(MORE)",
        '!includes(s) includes("other.ini")',
        '!include("cut short',
    ].join("\n");
    assert.deepEqual(includedFiles(text, file), []);
});
