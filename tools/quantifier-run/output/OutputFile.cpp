#include "output/OutputFile.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <streambuf>
#include <string_view>

#include "Orn_FileStream.h"
#include "common/FilePath.h"
#include "engine/RunError.h"

namespace quantifier_run {
namespace {
// An output stream's bytes handed on to a file's writer as they come, so that a spooled output
// reaches the file without being gathered in memory first.
class PieceBuffer : public std::streambuf {
public:
    explicit PieceBuffer(const std::function<bool(const uint8_t*, size_t)>& write) : write(write) {}

protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        return write(reinterpret_cast<const uint8_t*>(text), static_cast<size_t>(count)) ? count
                                                                                         : 0;
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
    }

private:
    const std::function<bool(const uint8_t*, size_t)>& write;
};
}  // namespace

OutputFormat OutputFormatForPath(const std::string& path) {
    std::string extension = PathText(FilePath(path).extension());
    // ASCII only, whatever the process's locale says about other letters.
    std::transform(extension.begin(), extension.end(), extension.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    for (const OutputFormatRow& row : kOutputFormats) {
        if (!row.extension.empty() && extension == row.extension) return row.format;
    }
    return kOutputFormatOtherwise;
}

void WriteOutputFile(const std::string& path, RowWriter& rows) {
    std::string reason;
    const auto source = [&](const std::function<bool(const uint8_t*, size_t)>& write) {
        PieceBuffer buffer(write);
        std::ostream out(&buffer);
        return rows.WriteTo(out) && static_cast<bool>(out.flush());
    };
    if (!OrnWriteFileAtomically(path, source, &reason)) {
        // The writer words a failure to reach the file as a save's; the output is no save.
        constexpr std::string_view kSaveWords = "cannot save ";
        if (reason.starts_with(kSaveWords))
            throw RunError(kExitFailure,
                           "cannot write the output " + reason.substr(kSaveWords.size()));
        throw RunError(kExitFailure, "cannot write the output: " + reason);
    }
}

}  // namespace quantifier_run
