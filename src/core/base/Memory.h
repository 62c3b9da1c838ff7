#pragma once
// Handing freed memory back to the system. A long step that builds and drops many small
// buffers (reading a book, laying it out) leaves its freed pages resident in the allocator;
// giving them back before the next step keeps the steps' peaks from adding up.
namespace qm {

// Returns the allocator's free pages to the system where the C library can; else nothing.
void releaseFreeMemory();

} // namespace qm
