/* The engine's header from plain C: include it, call the library, check the
 * result codes. */
#define _GNU_SOURCE
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "xdwapi/xdwapi.h"

static int failures = 0;

#define CHECK_EQ(actual, expected)                                                                 \
    do {                                                                                           \
        long long a_ = (long long)(actual), e_ = (long long)(expected);                            \
        if (a_ != e_) {                                                                            \
            fprintf(stderr, "%s:%d: %s is %lld, expected %lld\n", __FILE__, __LINE__, #actual, a_, \
                    e_);                                                                           \
            ++failures;                                                                            \
        }                                                                                          \
    } while (0)

static int exists(const char* path) {
    struct stat st;
    return lstat(path, &st) == 0;
}

/* A one-page PDF with a correct cross-reference table. */
static void write_pdf(const char* path, int pages) {
    char body[4096];
    long offsets[16];
    size_t len = 0;
    int i;
    len += (size_t)snprintf(body + len, sizeof body - len, "%%PDF-1.4\n");
    offsets[1] = (long)len;
    len += (size_t)snprintf(body + len, sizeof body - len,
                            "1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n");
    offsets[2] = (long)len;
    len += (size_t)snprintf(body + len, sizeof body - len, "2 0 obj << /Type /Pages /Kids [");
    for (i = 0; i < pages; ++i)
        len += (size_t)snprintf(body + len, sizeof body - len, "%d 0 R ", 3 + i);
    len += (size_t)snprintf(body + len, sizeof body - len, "] /Count %d >> endobj\n", pages);
    for (i = 0; i < pages; ++i) {
        offsets[3 + i] = (long)len;
        len += (size_t)snprintf(body + len, sizeof body - len,
                                "%d 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >> "
                                "endobj\n",
                                3 + i);
    }
    {
        const long xref = (long)len;
        const int count = 3 + pages;
        len += (size_t)snprintf(body + len, sizeof body - len, "xref\n0 %d\n0000000000 65535 f \n",
                                count);
        for (i = 1; i < count; ++i)
            len += (size_t)snprintf(body + len, sizeof body - len, "%010ld 00000 n \n", offsets[i]);
        len += (size_t)snprintf(body + len, sizeof body - len,
                                "trailer << /Size %d /Root 1 0 R >>\nstartxref\n%ld\n%%%%EOF\n",
                                count, xref);
    }
    {
        FILE* f = fopen(path, "wb");
        if (f == NULL) {
            perror(path);
            exit(2);
        }
        fwrite(body, 1, len, f);
        fclose(f);
    }
}

int main(void) {
    char dir[] = "/tmp/quilbex-c-test-XXXXXX";
    char src[256], out[256], junk[256], home[256], expected[300];
    char folder[256];
    XDW_DOCUMENT_HANDLE doc = NULL;
    XDW_CREATE_HANDLE create = NULL;
    XDW_OPEN_MODE mode = {sizeof(XDW_OPEN_MODE), 1, 1};
    XDW_DOCUMENT_INFO info;
    XDW_CREATE_OPTION option = {sizeof(XDW_CREATE_OPTION), 1, 0, 0, 0, 0, 0, 0};
    XDW_CREATION_STATUS status;

    if (mkdtemp(dir) == NULL) {
        perror("mkdtemp");
        return 2;
    }
    snprintf(src, sizeof src, "%s/in.pdf", dir);
    snprintf(out, sizeof out, "%s/out.xdw", dir);
    snprintf(junk, sizeof junk, "%s/junk.jpg", dir);
    snprintf(home, sizeof home, "%s/home", dir);
    mkdir(home, 0700);
    setenv("HOME", home, 1);
    unsetenv("XDG_CONFIG_HOME");

    /* The default output folder: $HOME/Documents, named but not made. */
    CHECK_EQ(XDW_GetInformation(XDW_GI_DEFAULT_OUTPUT_FOLDER, folder, sizeof folder, NULL) >= 0, 1);
    snprintf(expected, sizeof expected, "%s/Documents", home);
    CHECK_EQ(strcmp(folder, expected), 0);
    CHECK_EQ(exists(expected), 0);
    CHECK_EQ(XDW_GetInformation(5, folder, sizeof folder, NULL), XDW_E_INVALID_ARG);

    /* A PDF becomes a document; a second time the output exists. */
    write_pdf(src, 3);
    CHECK_EQ(XDW_CreateXdwFromImagePdfFile(src, out, NULL), 0);
    CHECK_EQ(XDW_CreateXdwFromImagePdfFile(src, out, NULL), XDW_E_FILE_EXISTS);
    {
        /* The documents folder is made when a document goes there. */
        char inDocuments[400];
        snprintf(inDocuments, sizeof inDocuments, "%s/in.xdw", expected);
        CHECK_EQ(XDW_CreateXdwFromImagePdfFile(src, inDocuments, NULL), 0);
        CHECK_EQ(exists(inDocuments), 1);
    }
    CHECK_EQ(XDW_CreateXdwFromImagePdfFile("/nonexistent/in.pdf", out, NULL), XDW_E_FILE_NOT_FOUND);
    {
        /* The failure keeps its reason, cut to the buffer; a success clears it. */
        char reason[8];
        const int length = XDW_GetLastErrorText(reason, (int)sizeof reason);
        CHECK_EQ(length > 0, 1);
        CHECK_EQ(strlen(reason), length < 7 ? length : 7);
        CHECK_EQ(XDW_GetLastErrorText(NULL, 0), length);
        /* Its fields name what it concerns. */
        CHECK_EQ(XDW_GetLastErrorKind(), XDW_REASON_SOURCE);
        CHECK_EQ(XDW_GetLastErrorErrno(), 2);
        CHECK_EQ(strcmp(XDW_GetLastErrorPath(), "/nonexistent/in.pdf"), 0);
        CHECK_EQ(strcmp(XDW_GetLastErrorType(), ""), 0);
        CHECK_EQ(XDW_GetLastErrorLimit(), 0);
        CHECK_EQ(XDW_GetLastErrorLimitUnit(), XDW_LIMIT_NONE);
        CHECK_EQ(strncmp(XDW_GetEngineVersion(), "1.", 2), 0);
    }
    CHECK_EQ(XDW_CreateXdwFromImagePdfFile(NULL, out, NULL), XDW_E_INVALID_ARG);
    CHECK_EQ(XDW_GetLastErrorKind(), XDW_REASON_NONE); /* each call starts afresh */

    /* Random bytes are no image. */
    {
        FILE* f = fopen(junk, "wb");
        fputs("definitely not a picture", f);
        fclose(f);
    }
    snprintf(expected, sizeof expected, "%s/junk.xdw", dir);
    CHECK_EQ(XDW_CreateXdwFromImageFile(junk, expected, &option), XDW_E_CANNOT_READ);
    CHECK_EQ(exists(expected), 0);

    /* Open, read, save and close the new document. */
    CHECK_EQ(XDW_OpenDocumentHandle(out, &doc, &mode), 0);
    memset(&info, 0, sizeof info);
    info.size = sizeof info;
    CHECK_EQ(XDW_GetDocumentInformation(doc, &info), 0);
    CHECK_EQ(info.pages, 3);
    CHECK_EQ(XDW_SaveDocument(doc, NULL), 0);
    CHECK_EQ(XDW_CloseDocumentHandle(doc, NULL), 0);
    CHECK_EQ(XDW_CloseDocumentHandle(doc, NULL), XDW_E_INVALID_ARG);
    CHECK_EQ(XDW_GetDocumentInformation(NULL, &info), XDW_E_INVALID_ARG);

    /* Application printing refuses a missing source at once. */
    snprintf(expected, sizeof expected, "%s/none.txt", dir);
    CHECK_EQ(XDW_BeginCreationFromAppFile(expected, out, -1, &create, NULL) < 0, 1);
    memset(&status, 0, sizeof status);
    status.size = sizeof status;
    CHECK_EQ(XDW_GetStatusCreationFromAppFile(NULL, &status), XDW_E_INVALID_ARG);

    CHECK_EQ(XDW_Finalize(NULL), 0);
    CHECK_EQ(XDW_Finalize(NULL), 0);

    {
        char command[300];
        snprintf(command, sizeof command, "rm -rf '%s'", dir);
        if (system(command) != 0) fprintf(stderr, "could not remove %s\n", dir);
    }
    if (failures != 0) fprintf(stderr, "%d check(s) failed\n", failures);
    return failures == 0 ? 0 : 1;
}
