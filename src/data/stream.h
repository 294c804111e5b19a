#pragma once
// Byte streams: the one handle through which the game reads and writes
// every file. A stream reads a plain file, a gzip-compressed file or a
// member of a ".saf" archive as if it were a plain file, and writes plain
// files (never compressed).
//
// Names beginning with '@' are relative to the data directories
// (data/data_dirs.h): for reading, each directory is tried in order (the
// plain file, then the same name + ".gz"), then the merged file index
// ignoring letter case; for writing, the first directory where the file
// can be created wins (the home directory when there is one), and
// missing parent folders are made on the way. Other names are paths.
//
// Every function takes a stream returned by stream_open and not yet
// closed. Nothing here reports errors itself: callers say what failed in
// their own words.

#include <cstddef>
#include <memory>

// Opaque handle; the owner closes it with stream_close.
struct Stream;

// Opens `name` with a standard mode ("rb", "wb", "r", "ab", "r+b", ...).
// A mode without 'r', or with '+', writes. Returns null on failure.
// Paths longer than 511 characters are refused rather than cut short, so
// a long name can never open (or overwrite) some other file.
Stream* stream_open(const char* name, const char* mode);

// Closes the file and frees the handle; null is ignored.
void stream_close(Stream* stream);

// Next byte (0..255), or -1 at the end of the data.
int stream_getc(Stream* stream);

// Next byte without consuming it (it is kept as the one pushback byte),
// or -1 at the end.
int stream_peekc(Stream* stream);

// Reads up to and including a newline, at most capacity - 1 bytes, and
// terminates the text. Returns buffer, or null when nothing was read
// before the end (or capacity < 1).
char* stream_gets(Stream* stream, char* buffer, int capacity);

// Reads up to `count` bytes (a pending pushback byte counts as one);
// returns the number read. Never reads past the end of an archive member.
std::size_t stream_read(Stream* stream, void* buffer, std::size_t count);

// Writing, plain files only. stream_putc returns the byte written or -1;
// stream_puts returns a non-negative value or -1; stream_write the number
// of bytes written; stream_printf the number of bytes written or -1.
int stream_putc(Stream* stream, int c);
int stream_puts(Stream* stream, const char* text);
std::size_t stream_write(Stream* stream, const void* data, std::size_t count);
int stream_printf(Stream* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Moves to byte `position` of the data. Only for uncompressed streams and
// 0 <= position < the data size; clears the pushback. True when done.
bool stream_seek(Stream* stream, int position);

// Flushes written data to the file. True on success.
bool stream_flush(Stream* stream);

// Renames a file; '@' names mean the home directory (data directory 0) +
// name. Replaces an existing target (so a file written under a temporary
// name can be moved into place). True on success.
bool stream_rename(const char* old_name, const char* new_name);

// Deletes a file; '@' names mean the home directory + name, as for
// stream_rename. True on success.
bool stream_remove(const char* name);

// Formatted reading in the style of scanf, with the game's own rules that
// every text data file is defined by. Directives: white space (skips any
// run, possibly none), a literal character (must match, else -1; the end
// of input does not match), %% (no white space skipped before it), %d,
// %i (base from the prefix: 0x hex, 0 octal), %o, %x/%X (digits only; no
// 0x prefix), %f, %s, %c, %[set] (an empty match stores an empty string
// and counts), %n. Modifiers: '*' (suppress), a width, 'h' (short; "hh"
// signed char), 'l' (long for integers and %n, double for %f), "ll"
// (long long for integers, long double for %f), 'L' and 'q' (long double
// for %f, long long for integers). The stored types are scanf's, so the
// compiler checks calls with scanf's format rules.
// Integers are accumulated in 32-bit arithmetic without overflow checks.
// Without a width a field may be up to 1000000 characters long: give %s
// and %[ a width that fits the buffer.
//
// Returns the number of stored conversions (suppressed ones and %n do not
// count) when the format is used up or a conversion fails to match; -1
// when the input ends before the first stored conversion, or when a
// literal character of the format does not match (even after stored
// conversions). The character that ends a conversion stays unread.
int stream_scanf(Stream* stream, const char* format, ...) __attribute__((format(scanf, 2, 3)));

// RAII ownership for C++ callers: StreamPtr s(stream_open(...));
struct StreamCloser {
  void operator()(Stream* stream) const { stream_close(stream); }
};
using StreamPtr = std::unique_ptr<Stream, StreamCloser>;
