// A channel holding a narrow text (8-bit, UTF-8), a wide text (16-bit units, UTF-16) or no
// text at all, linked through the text interface.
#pragma once

#include <string>
#include <string_view>

#include "Orn_Channel.h"

class Kch_TextChannel : public Orn_Channel {
public:
    enum class Kind { None, Narrow, Wide };

    Kch_TextChannel();

    const ChannelType* GetChannelType() override;

    // The text operations, in the engine's order.
    // The text as NUL-terminated narrow text; a wide text is given converted to UTF-8 (a lone
    // surrogate becomes U+FFFD). Null when the channel holds no text. The pointer stays valid
    // until the text changes.
    virtual const char* GetText();
    // Replaces the text by a copy of the narrow NUL-terminated text; null clears it.
    virtual void SetText(const char* text);
    // True when the channel holds wide text.
    virtual bool IsWideText();
    // The text as NUL-terminated 16-bit units; a narrow text is given converted from UTF-8 (a
    // byte that starts no valid sequence becomes U+FFFD). Null when the channel holds no text.
    virtual const OrnWideChar* GetWideText();

    // Host-side setters; each renews the time stamp when the content or kind changes.
    void SetNarrowText(std::string_view bytes);
    void SetWideText(std::u16string_view units);
    void ClearText();
    Kind GetKind() const { return kind; }

private:
    void Assign(Kind newKind, std::string newNarrow, OrnWideString newWide);

    Kind kind = Kind::None;
    std::string narrow;
    OrnWideString wide;
};

// UTF-8 to UTF-16 and back, as the text channel converts between its two widths.
OrnWideString OrnUtf8ToWide(std::string_view bytes);
std::string OrnWideToUtf8(const OrnWideChar* units, size_t count);
