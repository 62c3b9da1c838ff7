#pragma once
// libzip and libxml2 are loaded when the first EPUB or HTML book is read, not when the program
// starts: the two and what they bring (a crypto library among them) cost the dynamic loader a
// good share of the start-up, and plain texts need neither.
//
// The functions of theirs that the readers call are defined here under their own names; each
// looks its library's function up on first use and calls it, so the readers call them as
// usual. A reader makes sure of its library before its first call.

namespace qm::import {

// Loads the library once; throws UserError naming it when it cannot be loaded.
void requireZipLibrary();
void requireXmlLibrary();

// Opens a library by its soname for a use ("EPUB books") and returns its handle, kept open;
// throws UserError naming the library, the use and the loader's reason when it cannot be opened.
void* openLibrary(const char* soname, const char* use);

} // namespace qm::import
