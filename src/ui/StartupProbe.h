#pragma once
// A probe for measuring start-up: when the environment variable QUILLMAR_STARTUP_PROBE is set,
// the first paint of the main window prints "first paint" on standard output; when it is
// "quit", the program then quits. Does nothing otherwise.
class QObject;

namespace qm {
void installStartupProbe(QObject* application);
}
