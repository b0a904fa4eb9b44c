// Under Node the standard streams are terminals only when the process's own are. emscripten
// takes all three for terminals, which would colour diagnostics sent to a file and write
// standard output line by line, where the tool buffers it and reports a failed write once.
Module['onRuntimeInitialized'] = function () {
  var tty = require('tty');
  for (var fd = 0; fd <= 2; ++fd) {
    if (FS.streams[fd]) FS.streams[fd].tty = tty.isatty(fd);
  }
};
