// The memory of OCR's page images kept in the process between pages and
// steps: each step makes and drops copies of a page tens of megabytes large,
// which the C library would otherwise hand back to the system when dropped
// and fault in again, zeroed, for the next one.
#pragma once

namespace xdw {

// From now on, freed memory stays with the process (until ReturnOcrMemory).
void KeepOcrMemory();

// What is kept and free goes back to the system: a document's OCR is over
// (at the engine's finalizing, the process is ending: nothing to hand back).
void ReturnOcrMemory();

}  // namespace xdw
