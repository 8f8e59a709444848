/* Placeholder; replaced by the engine's C test. */
#include "docuworks/xdwapi.h"
int main(void) { return XDW_Finalize(0) == 0 ? 0 : 1; }
