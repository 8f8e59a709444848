/*
 * xdwreason.h - what a failure concerns, as the XDW_GetLastError* calls of
 * xdwapi.h hand it out: its kind (one of the XDW_REASON_* values below), the
 * errno of a failed system call, the path of the file or folder concerned,
 * the media type of a refused file and, for a limit, the limit passed and the
 * unit it is counted in. Fields that do not apply are 0 or "".
 *
 * For example, an output folder without write permission: kind
 * XDW_REASON_OUTPUT_FOLDER, errno 13 (EACCES), path
 * "/home/user/Documents/scans".
 */
#ifndef QUILBEX_XDWREASON_H
#define QUILBEX_XDWREASON_H

/* No kind named: the failure is the engine's own, told in the text only. */
#define XDW_REASON_NONE 0
/* The source file: missing, unreadable (errno). */
#define XDW_REASON_SOURCE 1
/* The source is not a plain file. */
#define XDW_REASON_SOURCE_NOT_FILE 2
/* The source's content is damaged or cannot be read. */
#define XDW_REASON_CONTENT 3
/* The source (a PDF) is damaged beyond what can be read or repaired. */
#define XDW_REASON_PDF_DAMAGED 4
/* The source (a PDF) needs its user's password to be opened. */
#define XDW_REASON_PASSWORD 5
/* The source's type (the type field) is none the engine converts. */
#define XDW_REASON_TYPE_REFUSED 6
/* The output folder is missing, not a folder or not writable (errno). */
#define XDW_REASON_OUTPUT_FOLDER 7
/* A file already has the output's name (path is that file). */
#define XDW_REASON_OUTPUT_EXISTS 8
/* Writing the output failed (errno; ENOSPC when the disk is full). */
#define XDW_REASON_OUTPUT_WRITE 9
/* A part the engine needs is not installed (path names it when known). */
#define XDW_REASON_MISSING_PART 10
/* A program the conversion runs (path, LibreOffice) cannot be started. */
#define XDW_REASON_MISSING_PROGRAM 11
/* LibreOffice grew past its memory limit, or a document unpacks to more than
 * the engine holds. */
#define XDW_REASON_MEMORY_LIMIT 12
/* LibreOffice ran past its time limit. */
#define XDW_REASON_TIME_LIMIT 13
/* A picture (or a page to render) beyond the pixel, size, page-count or
 * progressive-scan limits. */
#define XDW_REASON_PICTURE_LIMIT 14
/* A page of the source (named in the text) is damaged beyond repair. */
#define XDW_REASON_PAGE_DAMAGED 15
/* A signed document that cannot be changed without breaking its signature
 * (the text says why: certified, encrypted, damaged). */
#define XDW_REASON_SIGNED 16
/* The application printed nothing to show of the file: no page at all, or
 * only blank ones (no text, no ink) of a file that holds content. Too large
 * a file, or one it cannot open, ends so; nothing says the file is damaged. */
#define XDW_REASON_BLANK_PRINT 17
/* A table with more rows than a sheet of the printing application holds
 * (limit, in rows): printed, it would lose the rows past them. */
#define XDW_REASON_SHEET_LIMIT 18

/* The unit a passed limit is counted in. */
#define XDW_LIMIT_NONE 0
#define XDW_LIMIT_PIXELS 1 /* pixels of one picture */
#define XDW_LIMIT_BYTES 2  /* bytes: of a file, of decoded data, of memory */
#define XDW_LIMIT_SECONDS 3
#define XDW_LIMIT_PAGES 4
#define XDW_LIMIT_SCANS 5  /* scans of a progressive JPEG */
#define XDW_LIMIT_LEVELS 6 /* levels of a PDF's page tree */
#define XDW_LIMIT_ROWS 7   /* rows of a table */

#endif
