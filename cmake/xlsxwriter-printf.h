/* Forced into every libxlsxwriter source (-include, scripts/debian-source). libxlsxwriter formats
 * each cell's name with snprintf and writes the cell with fprintf. The Windows C runtime's printf
 * family takes the locale, and with it a process-wide lock, on every call (MinGW's own one also
 * writes to a stream a character at a time), so sheets written on several threads wait for each
 * other; glibc's parses the format and locks the stream on each call, a fifth of the time of
 * writing a large sheet. The formats libxlsxwriter uses are few and plain; they are formatted
 * here without the C library. Anything else (floating point, precision, length modifiers) goes
 * to the library's own functions as before. */
#ifndef TARNWELL_XLSXWRITER_PRINTF_H
#define TARNWELL_XLSXWRITER_PRINTF_H

/* Included before anything of the file it is forced into: minizip's file functions need the
 * 64-bit ones it would have asked for itself. */
#if defined(__linux__) && !defined(_LARGEFILE64_SOURCE)
#define _LARGEFILE64_SOURCE 1
#endif

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

/* `value` in `base` with at least `width` digits, zero- or blank-padded. */
static inline size_t tnw_put_unsigned(char *out, unsigned long long value, unsigned base, int upper,
                                      int width, int zero) {
  const char *digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  char reversed[32];
  size_t n = 0, at = 0;
  do {
    reversed[n++] = digits[value % base];
    value /= base;
  } while (value != 0);
  while ((int)n < width && n < sizeof reversed) reversed[n++] = zero ? '0' : ' ';
  while (n > 0) out[at++] = reversed[--n];
  return at;
}

/* The formatted text in out (of `size` bytes, not terminated) and its length; -1 when the
 * format asks for more than this knows or the text does not fit. */
static inline int tnw_format(char *out, size_t size, const char *format, va_list args) {
  size_t used = 0;
  for (const char *p = format; *p; ++p) {
    if (used + 40 >= size) return -1;
    if (*p != '%') {
      out[used++] = *p;
      continue;
    }
    ++p;
    int zero = 0, width = 0;
    if (*p == '0') zero = 1, ++p;
    while (*p >= '0' && *p <= '9') width = width * 10 + (*p++ - '0');
    switch (*p) {
      case '%': out[used++] = '%'; break;
      case 'c': out[used++] = (char)va_arg(args, int); break;
      case 's': {
        const char *text = va_arg(args, const char *);
        if (text == NULL || width != 0) return -1;
        size_t length = strlen(text);
        if (used + length + 40 >= size) return -1;
        memcpy(out + used, text, length);
        used += length;
        break;
      }
      case 'd': {
        int value = va_arg(args, int);
        if (value < 0 && width != 0) return -1;
        if (value < 0) out[used++] = '-';
        unsigned long long magnitude = value < 0 ? 0ull - (unsigned long long)(long long)value : (unsigned long long)value;
        used += tnw_put_unsigned(out + used, magnitude, 10, 0, width, zero);
        break;
      }
      case 'u': used += tnw_put_unsigned(out + used, va_arg(args, unsigned), 10, 0, width, zero); break;
      case 'x': used += tnw_put_unsigned(out + used, va_arg(args, unsigned), 16, 0, width, zero); break;
      case 'X': used += tnw_put_unsigned(out + used, va_arg(args, unsigned), 16, 1, width, zero); break;
      default: return -1;
    }
  }
  return (int)used;
}

/* A sheet's file is written by one thread only: glibc need not lock it for every cell. */
static inline size_t tnw_fwrite(const char *data, size_t size, FILE *file) {
#ifdef __GLIBC__
  return fwrite_unlocked(data, 1, size, file);
#else
  return fwrite(data, 1, size, file);
#endif
}

static inline int tnw_fprintf(FILE *file, const char *format, ...) {
  va_list args;
  va_start(args, format);
#ifdef TARNWELL_XLSXWRITER_WIN32_H  /* gathered in a buffer of the thread's own */
  int written = tnw_xlsx_vfprintf(file, format, args);
#else
  char buffer[4096];
  va_list again;
  va_copy(again, args);
  int n = tnw_format(buffer, sizeof buffer, format, args);
  int written = n < 0 ? vfprintf(file, format, again) : tnw_fwrite(buffer, (size_t)n, file) == (size_t)n ? n : -1;
  va_end(again);
#endif
  va_end(args);
  return written;
}

static inline int tnw_snprintf(char *out, size_t size, const char *format, ...) {
  char buffer[4096];
  va_list args, again;
  va_start(args, format);
  va_copy(again, args);
  int n = tnw_format(buffer, sizeof buffer, format, args);
  if (n < 0) {
    n = vsnprintf(out, size, format, again);
  } else if (size > 0) {
    size_t keep = (size_t)n < size - 1 ? (size_t)n : size - 1;
    memcpy(out, buffer, keep);
    out[keep] = '\0';
  }
  va_end(again);
  va_end(args);
  return n;
}

#define fprintf tnw_fprintf
#define snprintf tnw_snprintf
#define __builtin_snprintf tnw_snprintf

#endif
