/* Forced into every libxlsxwriter source of the Windows build (-include). libxlsxwriter allocates and frees a few small blocks for every cell and
 * row it writes. Windows' C runtime takes them from one heap behind one lock: sheets written on
 * several threads waited for each other there (under Wine, two threads took twice as long as
 * one). platform/xlsxwriter_heap_win32.cc keeps freed blocks for the thread that freed them. */
#ifndef TARNWELL_XLSXWRITER_HEAP_WIN32_H
#define TARNWELL_XLSXWRITER_HEAP_WIN32_H

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

#endif
