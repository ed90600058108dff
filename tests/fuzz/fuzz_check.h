// How the fuzzer reports a broken invariant: what broke, with the bytes that show it, on
// standard error, then abort(), which libFuzzer treats as a crash and keeps the input of.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace pagevet::fuzz {

// The bytes as a C string literal would show them, cut after `limit` bytes.
inline void printEscaped(std::string_view bytes, std::size_t limit = 600) {
    std::fputc('"', stderr);
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '"' || byte == '\\') {
            std::fprintf(stderr, "\\%c", byte);
        } else if (byte >= 0x20 && byte < 0x7f) {
            std::fputc(byte, stderr);
        } else {
            std::fprintf(stderr, "\\x%02x", byte);
        }
    }
    std::fprintf(stderr, "\"%s", bytes.size() > limit ? "..." : "");
}

[[noreturn]] inline void broken(const char* invariant, std::string_view detail = {},
                                long line = -1) {
    std::fprintf(stderr, "\n*** pagevet invariant broken: %s", invariant);
    if (line >= 0) {
        std::fprintf(stderr, " (listing line %ld)", line);
    }
    if (!detail.empty()) {
        std::fprintf(stderr, "\n    ");
        printEscaped(detail);
    }
    std::fprintf(stderr, "\n");
    std::abort();
}

inline void require(bool holds, const char* invariant, std::string_view detail = {},
                    long line = -1) {
    if (!holds) {
        broken(invariant, detail, line);
    }
}

}  // namespace pagevet::fuzz
