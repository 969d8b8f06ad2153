// The text of the page's number fields: what "%d" reads from it, and what the page writes.
#pragma once

#include <wtypes.h>

#include <optional>
#include <string>
#include <string_view>

// The decimal integer the text begins with, after optional white space and an optional sign;
// whatever follows it is ignored ("7x" reads 7). Empty text, text without such a number, and
// a number beyond the 32-bit range read as nothing.
std::optional<LONG> ReadFieldNumber(std::u16string_view text) noexcept;

// The value in decimal, signed when `signedText`, otherwise as its unsigned 32-bit pattern.
std::u16string FieldNumberText(LONG value, bool signedText);
