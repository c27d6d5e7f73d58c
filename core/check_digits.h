#pragma once
// Check-character rules shared by text completion, validation and the encoders.

#include <string>
#include <string_view>

namespace brevix {

// Weights 3,1,3,... from the rightmost digit; "0" for an empty string.
char Mod10CheckDigit(std::string_view digits);
// Seven characters (number system + six digits) to the eleven-digit UPC-A form; empty when the
// input is not seven characters or its last character is not a digit.
std::string ExpandUPCE(std::string_view upce);
// ISBN/ISSN/ISMN: the first nine digits (hyphens dropped) weighted 1..9, mod 11; 10 gives 'X'.
char IsbnCheckCharacter(std::string_view first12);
// Nine characters; odd positions doubled (minus 9 above 9), (10 - sum mod 10) mod 10.
char OpcCheckDigit(std::string_view first9);
// Six characters weighted 2..7; the character '0' + (sum mod 11), so 10 gives ':'.
char PznCheckDigit(std::string_view first6);

}  // namespace brevix
