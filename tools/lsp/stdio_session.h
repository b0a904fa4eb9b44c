// Runs the language server on standard input and output, in binary mode, until the client
// says exit or the input ends; the exit status the protocol asks for.
#pragma once

int RunLanguageServer();
