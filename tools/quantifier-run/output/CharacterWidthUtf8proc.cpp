#include "output/CharacterWidth.h"

#include <utf8proc.h>

#include "TextCodec.h"

namespace quantifier_run {

size_t CharacterWidth(char32_t code) {
    const int width = utf8proc_charwidth(static_cast<utf8proc_int32_t>(code));
    return width > 0 ? static_cast<size_t>(width) : 0;
}

size_t DisplayWidth(std::string_view text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size();) {
        const codec::Scalar scalar = codec::DecodeUtf8(text, i);
        width += scalar.length == 0 ? 1 : CharacterWidth(scalar.code);
        i += scalar.length == 0 ? 1 : scalar.length;
    }
    return width;
}

}  // namespace quantifier_run
