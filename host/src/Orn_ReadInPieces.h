// Reading a whole file in pieces, shared by the OS halves of OrnReadFile. Pieces rather than a
// size reported up front: the file may change while it is read, or be something other than a
// file on a disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

// Appends what `readPiece(buffer, capacity, count)` gives to `bytes` until it reports the end
// (count 0). `readPiece` returns an empty text on success and the reason otherwise. Returns the
// reason the reading stopped early, or an empty text when the whole file is in `bytes`.
template <class ReadPiece>
std::string OrnReadInPieces(const std::string& path, size_t limit, std::vector<uint8_t>& bytes,
                            ReadPiece readPiece) {
    uint8_t buffer[65536];
    try {
        for (;;) {
            size_t count = 0;
            std::string failure = readPiece(buffer, sizeof buffer, count);
            if (!failure.empty()) return failure;
            if (count == 0) return {};
            if (count > limit - bytes.size())
                return "cannot read " + path + ": it is larger than " + std::to_string(limit) +
                       " bytes";
            bytes.insert(bytes.end(), buffer, buffer + count);
        }
    } catch (const std::bad_alloc&) {
        return "cannot read " + path + ": out of memory after " + std::to_string(bytes.size()) +
               " bytes";
    }
}

// OrnReadFile's answer once the file is closed: true with the whole file in `bytes`, or false
// with `bytes` emptied (its memory given back) and the reason in `error` when it is wanted.
inline bool OrnReadAnswer(const std::string& failure, std::vector<uint8_t>& bytes,
                          std::string* error) {
    if (failure.empty()) return true;
    bytes.clear();
    bytes.shrink_to_fit();
    if (error) *error = failure;
    return false;
}
