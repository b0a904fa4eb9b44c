// The files that a configuration file includes by a quoted name, found as the parser finds
// them: the name appended to the folder of the including file. No editor API here.
import * as path from "path";

const escapes: Record<string, string> = { n: "\r\n", t: "\t" };

// Reads a string literal whose opening quote is at `start`; undefined when the text ends first.
function readString(text: string, start: number): { value: string; end: number } | undefined {
    let value = "";
    for (let at = start + 1; at < text.length; ++at) {
        const c = text[at];
        if (c === '"') {
            return { value, end: at + 1 };
        }
        if (c === "\\" && at + 1 < text.length) {
            ++at;
            value += escapes[text[at]] ?? text[at]; // any other character stands for itself
        } else {
            value += c;
        }
    }
    return undefined;
}

// Skips blanks and comments from `at`.
function skipBlanks(text: string, at: number): number {
    while (at < text.length) {
        if (/\s/.test(text[at])) {
            ++at;
        } else if (text.startsWith("//", at)) {
            const end = text.indexOf("\n", at);
            at = end < 0 ? text.length : end + 1;
        } else if (text.startsWith("/*", at)) {
            const end = text.indexOf("*/", at + 2);
            at = end < 0 ? text.length : end + 2;
        } else {
            break;
        }
    }
    return at;
}

// The absolute names of the files that `text`, the contents of `file`, includes.
export function includedFiles(text: string, file: string): string[] {
    const folder = path.dirname(file);
    const found: string[] = [];
    let at = 0;
    while ((at = skipBlanks(text, at)) < text.length) {
        if (text[at] === '"') {
            at = readString(text, at)?.end ?? text.length;
        } else if (/^!include(?![A-Za-z0-9_])/i.test(text.slice(at, at + 9))) {
            at = skipBlanks(text, at + 8);
            if (text[at] === "(" && text[at + 1] === '"') {
                const name = readString(text, at + 1);
                if (name !== undefined) {
                    found.push(path.resolve(folder, name.value.split("\\").join("/")));
                }
                at = name?.end ?? text.length;
            }
        } else {
            ++at;
        }
    }
    return found;
}
