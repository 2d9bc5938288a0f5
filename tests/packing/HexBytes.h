#pragma once
// Bytes shown as upper-case hexadecimal pairs separated by blanks, for comparing packed output.
#include <string>

inline std::string hex(const std::string &s)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (!out.empty())
            out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}
