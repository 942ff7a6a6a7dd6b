// The scheme in which the builder stores secret items of the update and
// internet blocks (the package token, for instance).
//
// Stored form: every byte as two hexadecimal digits, each digit's character
// code raised by 50. The bytes are
//   b0, p, q, p filler bytes, value, q filler bytes (the second-to-last of
//   them a check byte), bLast
// where every byte but the first and the last is XORed with b0 ^ bLast, and
// the check byte (before that XOR is undone) is the 8-bit sum of all other
// bytes. p and q are read after undoing the XOR; q >= 1 keeps the check byte
// out of the value.
#pragma once

#include <optional>
#include <string>

namespace rv {

// The plain value, or nothing when the text is not in the stored form.
std::optional<std::string> UnscrambleItem(const std::string& stored);

// What readers get for an item that is not in the stored form: a random
// decimal below 99999, so that two damaged tokens never compare equal by
// design.
std::string UnscrambleItemOrRandom(const std::string& stored);

// Encodes a value; `salt` chooses the XOR key and filler bytes, so the same
// salt gives the same text (reproducible builds).
std::string ScrambleItem(const std::string& value, unsigned salt);

}  // namespace rv
