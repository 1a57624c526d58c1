// The character widths of a build without the character-width library (the cross build for
// Windows, for which the distribution packages none): one column per character, as the table
// aligned before widths were known. Wide characters then push their row's later columns out.
#include "output/CharacterWidth.h"

#include "TextCodec.h"

namespace quantifier_run {

size_t CharacterWidth(char32_t /*code*/) {
    return 1;
}

size_t DisplayWidth(std::string_view text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t length = codec::DecodeUtf8(text, i).length;
        ++width;
        i += length == 0 ? 1 : length;
    }
    return width;
}

}  // namespace quantifier_run
