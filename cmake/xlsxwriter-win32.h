/* Forced into every libxlsxwriter source of the Windows build (-include), before
 * xlsxwriter-printf.h. Two things Windows' C runtime does for every call, and so for every cell
 * and row libxlsxwriter writes, which platform/xlsxwriter_win32.cc does otherwise:
 * - its heap takes small blocks from one heap behind one lock: sheets written on several threads
 *   waited for each other there (under Wine two threads took twice as long as one). Freed blocks
 *   are kept for the thread that freed them.
 * - its stream functions lock the stream on every call. What tnw_fprintf writes (the cells) is
 *   gathered in a buffer of the thread's own and handed to the stream in pieces of 64 KiB; every
 *   other use of a stream first hands over what is gathered. A thread that wrote cells hands
 *   them over before another thread uses the stream (tnw_xlsx_flush_pending). */
#ifndef TARNWELL_XLSXWRITER_WIN32_H
#define TARNWELL_XLSXWRITER_WIN32_H

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

void *tnw_xlsx_malloc(size_t size);
void *tnw_xlsx_calloc(size_t count, size_t size);
void *tnw_xlsx_realloc(void *block, size_t size);
void tnw_xlsx_free(void *block);

#define malloc tnw_xlsx_malloc
#define calloc tnw_xlsx_calloc
#define realloc tnw_xlsx_realloc
#define free tnw_xlsx_free

int tnw_xlsx_vfprintf(FILE *file, const char *format, va_list args);
void tnw_xlsx_flush_pending(void);

#define fwrite(data, size, count, file) (tnw_xlsx_flush_pending(), fwrite(data, size, count, file))
#define fread(data, size, count, file) (tnw_xlsx_flush_pending(), fread(data, size, count, file))
#define fflush(file) (tnw_xlsx_flush_pending(), fflush(file))
#define fclose(file) (tnw_xlsx_flush_pending(), fclose(file))
#define fseek(file, offset, origin) (tnw_xlsx_flush_pending(), fseek(file, offset, origin))
#define _fseeki64(file, offset, origin) (tnw_xlsx_flush_pending(), _fseeki64(file, offset, origin))
#define ftell(file) (tnw_xlsx_flush_pending(), ftell(file))
#define _ftelli64(file) (tnw_xlsx_flush_pending(), _ftelli64(file))
#define rewind(file) (tnw_xlsx_flush_pending(), rewind(file))
#define ferror(file) (tnw_xlsx_flush_pending(), ferror(file))
#define vfprintf(file, format, args) (tnw_xlsx_flush_pending(), vfprintf(file, format, args))

#endif
