/* One image conversion through the engine, for timing next to img2pdf:
 *   images_bench SOURCE OUTPUT
 * Exit status 0 on success; the result code goes to stderr on failure. */
#include <stdio.h>

#include "xdwapi/xdwapi.h"

int main(int argc, char** argv) {
    XDW_CREATE_OPTION option = {sizeof option, 1, 0, 0, 0, 0, 0, 0};
    int rc;
    if (argc != 3) {
        fprintf(stderr, "usage: %s SOURCE OUTPUT\n", argv[0]);
        return 2;
    }
    rc = XDW_CreateXdwFromImageFile(argv[1], argv[2], &option);
    XDW_Finalize(NULL);
    if (rc < 0) fprintf(stderr, "failed: %d\n", rc);
    return rc < 0 ? 1 : 0;
}
