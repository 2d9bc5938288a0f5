#pragma once
// Errors raised by the table engine.
#include <stdexcept>
#include <string>
#include <string_view>

namespace engine {

// The engine's error: a table that cannot be opened, created, packed or written, a damaged
// or foreign file, a filter text that does not parse, an operation in the wrong state, a
// field that does not exist. Its text is meant to be shown to the user as it is.
class EngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A table written by a newer version of the program, in a format this one does not read; the
// file is left as it was. Its text says so, with both format numbers.
class NewerFormatError : public EngineError {
public:
    using EngineError::EngineError;
};

// A table file whose pages cannot be read as they stand (overwritten, cut short, a header
// that does not match the pages). Its text says so in Spanish, without the library's words;
// path() is the file's path, so that whoever tells the user knows which table it was.
class DamagedTableError : public EngineError {
public:
    DamagedTableError(const std::string &path, const std::string &text) : EngineError(text), path_(path) {}
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

// A damaged table of which not one record can be read; the file is left as it was.
class UnreadableError : public EngineError {
public:
    using EngineError::EngineError;
};

// No space left on the disk for a write.
class DiskFullError : public EngineError {
public:
    using EngineError::EngineError;
};

// A text that cannot be converted to the type asked for, with the class library's texts:
// "'%s' is not a valid integer value", "'%s' is not a valid boolean value".
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The integer a text stands for: optional leading blanks, an optional sign and decimal
// digits, within the 32-bit range; anything else raises ConversionError with
// "'<text>' is not a valid integer value" (the text shortened as shortenedText does).
int strToInt(const std::string &text);

// A UTF-8 text as a message quotes it: whole when it has at most `maxChars` characters, else
// its first `maxChars` characters followed by "…", so that a huge field read from a file
// never makes a huge message.
std::string shortenedText(std::string_view utf8, std::size_t maxChars = 200);

} // namespace engine
