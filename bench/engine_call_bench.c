/* The engine's own work for one conversion, with no program around it:
 *   engine_call_bench pdf|image|ocr|image-ocr SOURCE OUTPUT
 * "ocr" converts a PDF and runs OCR over every page, as a run with OCR on
 * does; "image-ocr" the same for a TIFF or JPEG. */
#include <stdio.h>
#include <string.h>

#include "xdwapi/xdwapi.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: %s pdf|image|ocr SOURCE OUTPUT\n", argv[0]);
        return 2;
    }
    int rc;
    const int image = strncmp(argv[1], "image", 5) == 0;
    const int ocr = strcmp(argv[1], "ocr") == 0 || strcmp(argv[1], "image-ocr") == 0;
    if (image) {
        XDW_CREATE_OPTION option = {sizeof option, 1, 0, 0, 0, 0, 0, 0};
        rc = XDW_CreateXdwFromImageFile(argv[2], argv[3], &option);
    } else {
        rc = XDW_CreateXdwFromImagePdfFile(argv[2], argv[3], NULL);
    }
    if (rc >= 0 && ocr) {
        XDW_OPEN_MODE mode = {sizeof mode, 1, 1};
        XDW_DOCUMENT_HANDLE doc = NULL;
        rc = XDW_OpenDocumentHandle(argv[3], &doc, &mode);
        if (rc >= 0) {
            XDW_DOCUMENT_INFO info;
            memset(&info, 0, sizeof info);
            info.size = sizeof info;
            XDW_GetDocumentInformation(doc, &info);
            XDW_OCR_OPTION ocr = {sizeof ocr, 1, XDW_OCR_LANGUAGE_AUTO, 0, 1, 0, 0, 0, 1, 0,
                                  NULL,       0};
            for (int page = 1; page <= info.pages && rc >= 0; ++page) {
                rc = XDW_RotatePageAuto(doc, page, NULL);
                if (rc >= 0) rc = XDW_ApplyOcr(doc, page, 1, &ocr, NULL);
            }
            if (rc >= 0) rc = XDW_SaveDocument(doc, NULL);
            XDW_CloseDocumentHandle(doc, NULL);
        }
    }
    char reason[512] = "";
    if (rc < 0) XDW_GetLastErrorText(reason, sizeof reason);
    XDW_Finalize(NULL);
    if (rc < 0) fprintf(stderr, "failed: %d %s\n", rc, reason);
    return rc < 0 ? 1 : 0;
}
