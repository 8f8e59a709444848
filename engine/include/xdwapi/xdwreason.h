/*
 * xdwreason.h - the form of the failure reason XDW_GetLastErrorText hands out.
 *
 * The first line is short English prose for people reading a log. Each
 * further line is one field, "key=value", for the program to read; a reader
 * ignores keys it does not know. In values a backslash is written "\\" and a
 * line break "\n". Fields appear only when they apply:
 *
 *   kind=<one of the XDW_REASON_* words below>
 *   errno=<the failed system call's errno, decimal>
 *   path=<the file or folder concerned>
 *   type=<the refused file's media type>
 *
 * For example, an output folder without write permission:
 *
 *   output folder not writable
 *   kind=output-folder
 *   errno=13
 *   path=/home/user/Documents/scans
 */
#ifndef QUILBEX_XDWREASON_H
#define QUILBEX_XDWREASON_H

#define XDW_REASON_KIND "kind"
#define XDW_REASON_ERRNO "errno"
#define XDW_REASON_PATH "path"
#define XDW_REASON_TYPE "type"

/* The source file: missing, unreadable (errno) or not a plain file. */
#define XDW_REASON_SOURCE "source"
#define XDW_REASON_SOURCE_NOT_FILE "source-not-file"
/* The source's content is damaged or cannot be read. */
#define XDW_REASON_CONTENT "content"
/* The source (a PDF) is damaged beyond what can be read or repaired. */
#define XDW_REASON_PDF_DAMAGED "pdf-damaged"
/* The source (a PDF) needs its user's password to be opened. */
#define XDW_REASON_PASSWORD "password"
/* The source's type (type=) is none the engine converts. */
#define XDW_REASON_TYPE_REFUSED "type-refused"
/* The output folder is missing, not a folder or not writable (errno). */
#define XDW_REASON_OUTPUT_FOLDER "output-folder"
/* A file already has the output's name (path= is that file). */
#define XDW_REASON_OUTPUT_EXISTS "output-exists"
/* Writing the output failed (errno; ENOSPC when the disk is full). */
#define XDW_REASON_OUTPUT_WRITE "output-write"
/* A part the engine needs is not installed (path= names it when known). */
#define XDW_REASON_MISSING_PART "missing-part"
/* A program the conversion runs (path=, LibreOffice) cannot be started. */
#define XDW_REASON_MISSING_PROGRAM "missing-program"
/* LibreOffice grew past its memory limit, or a document unpacks to more than
 * the engine holds (the prose gives the figure). */
#define XDW_REASON_MEMORY_LIMIT "memory-limit"
/* LibreOffice ran past its time limit (the prose gives the figure). */
#define XDW_REASON_TIME_LIMIT "time-limit"
/* A picture (or a page to render) beyond the pixel, size, page-count or
 * progressive-scan limits. */
#define XDW_REASON_PICTURE_LIMIT "picture-limit"
/* A page of the source (named in the prose) is damaged beyond repair. */
#define XDW_REASON_PAGE_DAMAGED "page-damaged"

/* The unit a passed limit is counted in. */
#define XDW_LIMIT_NONE 0
#define XDW_LIMIT_PIXELS 1 /* pixels of one picture */
#define XDW_LIMIT_BYTES 2  /* bytes: of a file, of decoded data, of memory */
#define XDW_LIMIT_SECONDS 3
#define XDW_LIMIT_PAGES 4
#define XDW_LIMIT_SCANS 5  /* scans of a progressive JPEG */
#define XDW_LIMIT_LEVELS 6 /* levels of a PDF's page tree */

#endif
