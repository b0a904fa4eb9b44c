// Under Node the standard streams are terminals only when the process's own are. emscripten
// takes all three for terminals, which would colour diagnostics sent to a file and write
// standard output line by line, where the tool buffers it and reports a failed write once.
Module['onRuntimeInitialized'] = function () {
  var tty = require('tty');
  for (var fd = 0; fd <= 2; ++fd) {
    if (FS.streams[fd]) FS.streams[fd].tty = tty.isatty(fd);
  }
};

// The program sees the Node process's environment, as a native program sees its own: NO_COLOR
// and TERM decide its colours.
Module['preRun'] = (Module['preRun'] || []).concat(function () {
  for (var name in process.env) ENV[name] = process.env[name];
});
