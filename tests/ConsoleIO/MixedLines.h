#pragma once
// The deterministic output of the test child's "mixed" command: lines of mixed length with
// mixed breaks (LF, CR LF, CR), shared by the child that writes them and the tests that check
// what arrived.
#include <cstdint>
#include <string>

struct MixedLines {
    explicit MixedLines(std::uint64_t seed) : FState(seed * 2654435761u + 1) {}

    std::uint64_t Next()
    {
        FState ^= FState << 13;
        FState ^= FState >> 7;
        FState ^= FState << 17;
        return FState;
    }

    // The next line's text (1..400 printable bytes) and its break.
    void NextLine(std::string& text, const char*& lineBreak)
    {
        const std::uint64_t r = Next();
        const std::size_t length = 1 + (r % 400);
        text.resize(length);
        for (std::size_t i = 0; i < length; ++i)
            text[i] = static_cast<char>('!' + (Next() % 94));
        static const char* const breaks[] = {"\n", "\r\n", "\r"};
        lineBreak = breaks[(r >> 32) % 3];
    }

private:
    std::uint64_t FState;
};

// FNV-1a over the lines, each followed by a separator byte no line holds.
struct LineChecksum {
    std::uint64_t Value = 14695981039346656037ull;
    std::uint64_t Lines = 0;
    void Add(const char* data, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i)
            Mix(static_cast<unsigned char>(data[i]));
        Mix(0xFF);
        ++Lines;
    }
    void Mix(unsigned char b)
    {
        Value ^= b;
        Value *= 1099511628211ull;
    }
};
